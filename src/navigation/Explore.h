#pragma once

// The folder tree: one root node per volume with lazily loaded folder nodes below. Reading stays
// one level ahead of what is visible; each expansion refreshes the level below. A listing that
// takes longer than the listing budget goes on in a worker while the node keeps its placeholder.
// The tree reports the selected folder through OnDirChange, renames folders in place, creates
// and deletes folders and can be told to select a path. Keyboard moves through the tree are
// coalesced: the selection is applied when the 200 ms ticks have used up the key presses.
// Folder rename and delete go through the operations assigned by the owner (trash, confirmation);
// without them both fail. GUI thread only.

#include <functional>
#include <map>
#include <unordered_set>
#include <vector>

#include <QMessageBox>
#include <QPersistentModelIndex>
#include <QTreeWidget>

#include "navigation/FolderListing.h"

class QTimer;

namespace pixmarl {

class TDrive;
class TMyComputer;
class TDirTree;

enum TNodeKind { nkPlaceholder = 0, nkFolder = 1, nkDrive = 2 };

class TDirTreeNode : public QTreeWidgetItem {
public:
    explicit TDirTreeNode(TNodeKind kind);
    ~TDirTreeNode() override;

    TNodeKind Kind() const { return kind_; }
    // The drive of a drive node while its volume is present; nullptr otherwise.
    TDrive* Drive() const { return drive_; }
    // The mount path of a drive node.
    const QString& MountPath() const { return mountPath_; }
    int DriveIndex() const { return driveIndex_; }

    // Drive nodes keep the volume order; all others sort by name.
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    friend class TDirTree;
    TNodeKind kind_;
    TDrive* drive_ = nullptr;
    QString mountPath_;
    int driveIndex_ = 0;
    int driveType_ = 0;
    TDirTree* owner_ = nullptr;
    int pendingListing_ = 0;  // serial of the listing this node waits for, 0 for none
};

class TDirTree : public QTreeWidget {
    Q_OBJECT
public:
    // computer is the drive table to show (the process-wide one by default).
    explicit TDirTree(QWidget* parent = nullptr, TMyComputer* computer = nullptr);
    ~TDirTree() override;

    // The selected folder, empty when nothing is selected.
    QString Directory() const;
    // Selects path (expanding the way), adding a node for an existing folder that has none.
    void SetDirectory(const QString& path);

    QString NodePath(const QTreeWidgetItem* node) const;
    // The node of path, expanding the way to it; nullptr when there is none.
    TDirTreeNode* FindNode(const QString& path);
    // Adds a node for the existing folder path below its parent's node.
    bool AddFolderNode(const QString& path, bool select);

    // Creates the folder on a worker; a late answer adds the node when it comes.
    void NewFolder(TDirTreeNode* parent);
    void DeleteFolder(TDirTreeNode* node);
    void RefreshNode(TDirTreeNode* node);
    // Opens the name editor on a folder or drive node.
    void StartRename(TDirTreeNode* node);
    bool IsEditing() const { return state() == QAbstractItemView::EditingState; }

    // The node last right-clicked, else the selected node.
    TDirTreeNode* ContextNode() const;
    // The node of the selection, or nullptr.
    TDirTreeNode* SelectedNode() const;
    // The node shown as the target of a drag over the tree, without selecting it; nullptr (or a
    // placeholder) removes the highlight.
    void SetDropHighlight(QTreeWidgetItem* node);
    TDirTreeNode* DropHighlighted() const;

    // Events, with the tree as sender.
    std::function<void(TDirTree&)> OnDirChange;
    std::function<void(TDirTree&)> OnNameChange;
    // Runs while the context node is highlighted: the owner shows its menu here.
    std::function<void(TDirTree&, const QPoint& globalPos)> OnContextPopup;

    // The file operations, set by the owning window to those of its TFileOps (folders go to the
    // trash and are renamed like files): each answers success. Unset, nothing is changed.
    std::function<bool(const QString& folder)> DeleteFolderOperation;
    std::function<bool(const QString& oldPath, const QString& newPath)> RenameFolderOperation;

    // The user dialogs; the defaults show message boxes. AskRetry answers true for Retry.
    std::function<void(const QString& text, QMessageBox::Icon icon)> ShowMessage;
    std::function<bool(const QString& text)> AskRetry;
    // Whether a volume can be reached (VolumeReady by default).
    std::function<bool(const QString& mountPath)> VolumeReadyCheck;
    // How folders are read (ListFolders by default) and how long the interface waits for it.
    TListFoldersFn ListFoldersFn;
    void SetListingBudget(int ms) { listingBudgetMs_ = ms; }

    // The number of keyboard moves still waiting for their ticks.
    int PendingKeyboardChanges() const { return keyCounter_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    friend class TDirTreeDelegate;
    friend class TDirTreeNode;

    TDirTreeNode* NodeAt(const QModelIndex& index) const;
    QPersistentModelIndex IndexOf(QTreeWidgetItem* node) const;
    TDirTreeNode* AsNode(QTreeWidgetItem* item) const;
    TDirTreeNode* NewNode(TNodeKind kind, const QString& text) const;
    void AddPlaceholder(QTreeWidgetItem* node) const;
    bool HasRealChildren(const QTreeWidgetItem* node) const;
    bool IsBelow(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) const;

    // Drives.
    void AddDriveNode(TDrive& drive);
    TDirTreeNode* DriveNode(const QString& mountPath) const;
    void DriveChanged(int kinds, TDrive& drive);
    bool IsRemovableDriveNode(const TDirTreeNode* node) const;
    QSet<QString> PathsNeverReadAhead() const;

    // Listing.
    void ExpandNode(TDirTreeNode* node);
    void NodeExpanded(QTreeWidgetItem* item);
    void LoadOnExpand(TDirTreeNode* node);
    void ListNode(TDirTreeNode* node, bool lookAhead);
    void ListChildren(TDirTreeNode* node);
    void RunListing(std::vector<TListRequest> requests, const std::vector<TDirTreeNode*>& nodes,
                    TDeadline deadline);
    // Whether path is a folder, asked on a worker: false when it does not answer in time.
    bool IsFolderWithin(const QString& path) const;
    void ApplyListings(const std::vector<TFolderListing>& listings, int serial);
    void ApplyListing(TDirTreeNode* node, const TFolderListing& listing);
    void MergeChildren(QTreeWidgetItem* node, const QStringList& names);
    void RemoveNode(QTreeWidgetItem* node);
    TDirTreeNode* RootFor(const QString& path) const;
    // The child node named name, added (in sorted place) when there is none.
    TDirTreeNode* ChildFolderNode(TDirTreeNode* parent, const QString& name);
    void RenumberRoots();
    void SortSiblings(QTreeWidgetItem* node);

    // Selection.
    void CurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    bool CanChange(TDirTreeNode* target, TDirTreeNode* previous);
    void Changed(TDirTreeNode* node);
    void ApplyChange(TDirTreeNode* target, TDirTreeNode* previous);
    void KeyboardTick();
    void StopKeyboardChanges();
    void SelectQuietly(QTreeWidgetItem* node);
    void ShowAsDropTarget(QTreeWidgetItem* node, bool value);

    // Editing.
    void EndEdit(TDirTreeNode* node, const QString& text);
    void EndFolderEdit(TDirTreeNode* node, const QString& text);
    void NewFolderMade(TDirTreeNode* parent, const QString& name);
    void Post(TDirTreeNode* node, std::function<void(TDirTreeNode*)> command);

    TMyComputer& computer_;
    int listenerId_ = 0;
    int listingBudgetMs_ = 200;
    int listingSerial_ = 0;
    bool changeHandling_ = true;
    bool quiet_ = false;  // selection moved by the tree itself, no change steps
    bool keyboardInput_ = false;
    bool expanding_ = false;
    int keyCounter_ = 0;
    QTimer* keyTimer_ = nullptr;
    QPersistentModelIndex keyFrom_;
    QPersistentModelIndex keyTo_;
    QPersistentModelIndex contextNode_;
    QPersistentModelIndex dropNode_;
    QIcon folderIcon_;
    // Nodes waiting for a listing, by serial; a node leaves waiting_ when it is deleted, so a
    // late result never reaches a freed node.
    std::map<int, std::vector<TDirTreeNode*>> pendingListings_;
    std::unordered_set<const TDirTreeNode*> waiting_;
};

}  // namespace pixmarl
