#pragma once

#include <QIcon>
#include <QTimer>
#include <QTreeWidget>
#include <functional>

// A tree of folders: the base of TSystemTreeView. It tells of a selection change once ReadDelay
// milliseconds have passed without another (at once with 0, or while the tree is rebuilt),
// holds the desktop theme's icons, and shows its error boxes through a handler the window may
// replace.
class TCustomSystemTreeView : public QTreeWidget {
    Q_OBJECT
    Q_PROPERTY(int ReadDelay READ readDelay WRITE setReadDelay)

public:
    enum class NodeIcon { Desktop, Computer, Drive, RemovableDrive, Home, Folder, File };
    using ErrorHandler = std::function<void(const QString& text)>;

    explicit TCustomSystemTreeView(QWidget* parent = nullptr);
    ~TCustomSystemTreeView() override;

    quint16 readDelay() const { return readDelay_; }
    void setReadDelay(quint16 milliseconds) { readDelay_ = milliseconds; }

    // Without a handler, an error box of the toolkit is shown.
    void setErrorHandler(ErrorHandler handler) { errorHandler_ = std::move(handler); }

signals:
    // The selection changed and has stayed so for ReadDelay milliseconds.
    void delayedSelectionChange();

protected:
    // The hourglass cursor and no painting, for the life of the object.
    class BulkUpdate {
    public:
        explicit BulkUpdate(QWidget* view);
        ~BulkUpdate();
        BulkUpdate(const BulkUpdate&) = delete;
        BulkUpdate& operator=(const BulkUpdate&) = delete;

    private:
        QWidget* view_;
        bool wasEnabled_;
    };

    void ShowError(const QString& text);
    const QIcon& Icon(NodeIcon icon) const;
    // While raised, a selection change is told at once.
    void SetSuppressed(bool suppressed) { suppressed_ = suppressed; }
    bool Suppressed() const { return suppressed_; }

private:
    void SelectionChanged();
    void LoadIcons();

    quint16 readDelay_ = 500;
    bool suppressed_ = true;
    QTimer delayTimer_;
    ErrorHandler errorHandler_;
    std::vector<QIcon> icons_;
};
