#include "widgets/TCustomSystemTreeView.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QMessageBox>
#include <QStyle>

namespace {

QIcon Themed(const char* name, const QIcon& fallback) {
    const QIcon icon = QIcon::fromTheme(QLatin1String(name));
    return icon.isNull() ? fallback : icon;
}

// A folder icon that shows the open folder while its node is selected.
QIcon FolderIcon(const QIcon& closed, const QIcon& open) {
    QIcon icon;
    for (const int size : {16, 22, 32}) {
        icon.addPixmap(closed.pixmap(size), QIcon::Normal);
        icon.addPixmap(open.pixmap(size), QIcon::Selected);
    }
    return icon;
}

}  // namespace

TCustomSystemTreeView::TCustomSystemTreeView(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    delayTimer_.setSingleShot(true);
    connect(&delayTimer_, &QTimer::timeout, this, &TCustomSystemTreeView::delayedSelectionChange);
    connect(this, &QTreeWidget::itemSelectionChanged, this,
            &TCustomSystemTreeView::SelectionChanged);
    LoadIcons();
}

TCustomSystemTreeView::~TCustomSystemTreeView() {
    blockSignals(true);
}

void TCustomSystemTreeView::SelectionChanged() {
    if (readDelay_ == 0 || suppressed_) {
        delayTimer_.stop();
        emit delayedSelectionChange();
    } else {
        delayTimer_.start(readDelay_);
    }
}

void TCustomSystemTreeView::LoadIcons() {
    const QFileIconProvider provider;
    const QIcon folder = provider.icon(QFileIconProvider::Folder);
    const QIcon open = Themed("folder-open", style()->standardIcon(QStyle::SP_DirOpenIcon));
    const QIcon drive = provider.icon(QFileIconProvider::Drive);
    icons_ = {
        Themed("user-desktop", provider.icon(QFileIconProvider::Desktop)),
        Themed("computer", provider.icon(QFileIconProvider::Computer)),
        drive,
        Themed("drive-removable-media", drive),
        FolderIcon(Themed("user-home", folder), Themed("user-home", open)),
        FolderIcon(folder, open),
        provider.icon(QFileIconProvider::File),
    };
}

const QIcon& TCustomSystemTreeView::Icon(NodeIcon icon) const {
    return icons_[static_cast<size_t>(icon)];
}

void TCustomSystemTreeView::ShowError(const QString& text) {
    if (errorHandler_) {
        errorHandler_(text);
    } else {
        QMessageBox(QMessageBox::Critical, QStringLiteral("Erreur"), text, QMessageBox::Ok, this)
            .exec();
    }
}

TCustomSystemTreeView::BulkUpdate::BulkUpdate(QWidget* view)
    : view_(view), wasEnabled_(view->updatesEnabled()) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    view_->setUpdatesEnabled(false);
}

TCustomSystemTreeView::BulkUpdate::~BulkUpdate() {
    view_->setUpdatesEnabled(wasEnabled_);
    QApplication::restoreOverrideCursor();
}
