// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: the About box.
#include "product/frmAbout.h"

#include "layout/DesignFont.h"
#include "layout/QtTwips.h"
#include "product/AppProduct.h"
#include "product/LinkLabel.h"
#include "product/Version.h"
#include "product/modBrowseTo.h"
#include "product/modGlobal.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace dirlix {

namespace {
QLabel* blackLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}
} // namespace

frmAbout::frmAbout(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    applyDesignFont(this);

    // Controls in the order of the definition; only OK takes the focus.
    picIcon = placeTwips(new QLabel(this), 240, 240, 480, 480);
    cmdOk = placeTwips(new QPushButton(tr("OK"), this), 4245, 2625, 1260, 345);
    Label2 = placeTwips(new QLabel(tr("Version:"), this), 1278, 480, 615, 225);
    Label1 = placeTwips(new QLabel(tr("Product:"), this), 1278, 240, 615, 255);
    lblComments = placeTwips(blackLabel(this), 1278, 1170, 4260, 1005);
    lblComments->setWordWrap(true);
    lblComments->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblTitle = placeTwips(blackLabel(this), 2040, 240, 3525, 240);
    lblVersion = placeTwips(new QLabel(this), 2040, 480, 3555, 225);
    lblCopyright = placeTwips(new LinkLabel(this), 255, 2625, 3750, 345);
    for (QLabel* label : {Label1, Label2, lblTitle, lblVersion})
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // "Product:" and "Version:" were measured for a narrower face: let them take the room up to
    // the texts beside them rather than lose their last letters.
    for (QLabel* label : {Label1, Label2})
        label->resize(std::min(std::max(label->width(), label->sizeHint().width()), lblTitle->x() - label->x() - 2),
                      label->height());

    cmdOk->setDefault(true);
    cmdOk->setAutoDefault(true);
    cmdOk->setFocus();

    // Fixed size, at a fixed place on the screen rather than centred on the main window.
    setFixedSize(twipsToPixels(5730), twipsToPixels(3090));
    setGeometry(twipsRect(2340, 1935, 5730, 3090));

    connect(cmdOk, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);
    connect(lblCopyright, &LinkLabel::clicked, this, &frmAbout::lblCopyright_Click);
}

void frmAbout::Init()
{
    const clsProductInfo& product = *modGlobal::pProduct;
    setWindowTitle(tr("About ") + toQString(product.Name));
    const QIcon icon = parentWidget() ? parentWidget()->windowIcon() : windowIcon();
    picIcon->setPixmap(icon.pixmap(32, 32));
    lblTitle->setText(toQString(product.Name));
    lblVersion->setText(toQString(product.Version));
    lblComments->setText(QString::fromUtf8(kVersionComments));
    lblCopyright->setText(QString::fromUtf8(kVersionCopyright));
}

void frmAbout::cmdOk_Click()
{
    accept();
}

void frmAbout::lblCopyright_Click()
{
    modBrowseTo::BrowseTo(toQString(modGlobal::pProduct->Website));
}

void frmAbout::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    // The etched separator: a grey line with a white one just below it.
    QPainter painter(this);
    painter.setPen(QPen(QColor(128, 128, 128), 1));
    painter.drawLine(twipsToPixels(90), twipsToPixels(2445), twipsToPixels(5654), twipsToPixels(2445));
    painter.setPen(QPen(QColor(255, 255, 255), 2));
    painter.drawLine(twipsToPixels(105), twipsToPixels(2460) + 1, twipsToPixels(5654), twipsToPixels(2460) + 1);
}

} // namespace dirlix
