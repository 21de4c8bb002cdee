// SPDX-License-Identifier: GPL-3.0-or-later
// Dirlix Pro: File, Open Catalog and Add to Catalog.
#pragma once

#include "app/CatalogView.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;

namespace dirlix {

class CatalogView;
class frmMain;

/**
 * The catalog commands of the File menu. Open Catalog asks for a catalog file (a new name makes
 * a new catalog when a scan is first added) and shows its view; Add to Catalog stores the list on
 * screen as a new scan of its folder's volume, in the catalog open now or one the user chooses.
 */
class CatalogCommands : public QObject {
    Q_OBJECT
public:
    explicit CatalogCommands(frmMain* window);
    ~CatalogCommands() override;

    QAction* openAction() const { return mOpen; }
    QAction* addAction() const { return mAdd; }
    /** The catalog view shown; null when none is. */
    CatalogView* view() const { return mView; }

    /** Shows the view of the catalog in @p path. Returns false, telling why, when it cannot be read. */
    bool openCatalog(const QString& path);
    /**
     * Adds the list on screen to the catalog in @p path as a scan of the volume labelled @p label
     * (empty: found by the folder's volume), off the window's thread; @p done gets an empty text
     * or the reason it failed.
     */
    void addList(const QString& path, const QString& label, std::function<void(const QString& error)> done = {});

    /** For tests: replaces the file and label questions; each returns an empty text for Cancel. */
    std::function<QString(bool forAdding)> chooseCatalog;
    std::function<QString(const QString& proposed)> chooseLabel;

private:
    void open();
    void add();

    frmMain* mWindow;
    QAction* mOpen;
    QAction* mAdd;
    QPointer<CatalogView> mView;
    QString mPath;
    bool mAdding = false;
};

} // namespace dirlix
