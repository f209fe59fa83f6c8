#include "Explore.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>

#include "filelist/NameOrder.h"
#include "navigation/DirImages.h"
#include "navigation/MyComputer.h"
#include "platform/Paths.h"
#include "platform/Volumes.h"

namespace pixmarl {

namespace {

constexpr int kNodeType = QTreeWidgetItem::UserType + 1;
constexpr int kKeyboardTickMs = 200;

const TNameOrder& NodeNameOrder()
{
    static const TNameOrder order;
    return order;
}

// True when nodePath is target or one of its folders.
bool IsPathPrefix(const QString& nodePath, const QString& target)
{
    if (target == nodePath)
        return true;
    return target.startsWith(nodePath) &&
           (nodePath.endsWith(u'/') || target.at(nodePath.size()) == u'/');
}

QString SpacedInvalidChars()
{
    QStringList chars;
    for (QChar c : kInvalidFolderNameChars)
        chars << QString(c);
    return chars.join(u' ');
}

void DefaultShowMessage(const QString& text, QMessageBox::Icon icon)
{
    QMessageBox box(icon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}

bool DefaultAskRetry(const QString& text)
{
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::Retry | QMessageBox::Cancel);
    return box.exec() == QMessageBox::Retry;
}

// Keeps the wait cursor up while a folder is read.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace

TDirTreeNode::TDirTreeNode(TNodeKind kind) : QTreeWidgetItem(kNodeType), kind_(kind)
{
    if (kind != nkPlaceholder)
        setFlags(flags() | Qt::ItemIsEditable);
}

TDirTreeNode::~TDirTreeNode()
{
    if (pendingListing_ != 0 && owner_ != nullptr)
        owner_->waiting_.erase(this);
}

bool TDirTreeNode::operator<(const QTreeWidgetItem& other) const
{
    if (other.type() != kNodeType)
        return QTreeWidgetItem::operator<(other);
    const auto& o = static_cast<const TDirTreeNode&>(other);
    if (kind_ == nkDrive && o.kind_ == nkDrive)
        return driveIndex_ < o.driveIndex_;
    return NodeNameOrder().Compare(text(0), o.text(0)) < 0;
}

// Fills the editor of a drive with its bare label and hands every finished edit to the tree.
class TDirTreeDelegate : public QStyledItemDelegate {
public:
    explicit TDirTreeDelegate(TDirTree* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        TDirTreeNode* node = tree_->NodeAt(index);
        auto* edit = qobject_cast<QLineEdit*>(editor);
        if (node != nullptr && edit != nullptr && node->Kind() == nkDrive && node->Drive())
            edit->setText(node->Drive()->Label());
        else
            QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        if (auto* edit = qobject_cast<QLineEdit*>(editor))
            tree_->EndEdit(tree_->NodeAt(index), edit->text());
    }

private:
    TDirTree* tree_;
};

TDirTree::TDirTree(QWidget* parent, TMyComputer* computer)
    : QTreeWidget(parent), computer_(computer != nullptr ? *computer : MyComputer())
{
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    setItemDelegate(new TDirTreeDelegate(this));

    folderIcon_.addPixmap(DirImage(kClosedFolderImage).pixmap(16), QIcon::Normal);
    folderIcon_.addPixmap(DirImage(kOpenFolderImage).pixmap(16), QIcon::Selected);

    ShowMessage = DefaultShowMessage;
    AskRetry = DefaultAskRetry;
    VolumeReadyCheck = VolumeReady;
    ListFoldersFn = ListFolders;

    keyTimer_ = new QTimer(this);
    keyTimer_->setInterval(kKeyboardTickMs);
    connect(keyTimer_, &QTimer::timeout, this, &TDirTree::KeyboardTick);
    connect(this, &QTreeWidget::itemExpanded, this, &TDirTree::NodeExpanded);
    connect(this, &QTreeWidget::currentItemChanged, this, &TDirTree::CurrentChanged);

    for (const auto& drive : computer_.Drives())
        AddDriveNode(*drive);
    listenerId_ =
        computer_.AddListener([this](int kinds, TDrive& drive) { DriveChanged(kinds, drive); });
}

TDirTree::~TDirTree()
{
    computer_.RemoveListener(listenerId_);
    // The nodes go while the tree's own members still exist.
    clear();
}

// --- nodes ---

TDirTreeNode* TDirTree::AsNode(QTreeWidgetItem* item) const
{
    return item != nullptr && item->type() == kNodeType ? static_cast<TDirTreeNode*>(item)
                                                        : nullptr;
}

TDirTreeNode* TDirTree::NodeAt(const QModelIndex& index) const
{
    return index.isValid() ? AsNode(itemFromIndex(index)) : nullptr;
}

QPersistentModelIndex TDirTree::IndexOf(QTreeWidgetItem* node) const
{
    return node != nullptr ? QPersistentModelIndex(indexFromItem(node)) : QPersistentModelIndex();
}

TDirTreeNode* TDirTree::NewNode(TNodeKind kind, const QString& text) const
{
    auto* node = new TDirTreeNode(kind);
    node->owner_ = const_cast<TDirTree*>(this);
    node->setText(0, text);
    if (kind == nkFolder)
        node->setIcon(0, folderIcon_);
    return node;
}

void TDirTree::AddPlaceholder(QTreeWidgetItem* node) const
{
    node->addChild(NewNode(nkPlaceholder, QString()));
}

bool TDirTree::HasRealChildren(const QTreeWidgetItem* node) const
{
    return node->childCount() > 0 &&
           static_cast<const TDirTreeNode*>(node->child(0))->Kind() != nkPlaceholder;
}

bool TDirTree::IsBelow(const QTreeWidgetItem* node, const QTreeWidgetItem* ancestor) const
{
    for (const QTreeWidgetItem* p = node != nullptr ? node->parent() : nullptr; p != nullptr;
         p = p->parent())
        if (p == ancestor)
            return true;
    return false;
}

TDirTreeNode* TDirTree::SelectedNode() const
{
    TDirTreeNode* node = AsNode(currentItem());
    return node != nullptr && node->Kind() != nkPlaceholder ? node : nullptr;
}

TDirTreeNode* TDirTree::ContextNode() const
{
    TDirTreeNode* node = NodeAt(contextNode_);
    return node != nullptr ? node : SelectedNode();
}

QString TDirTree::NodePath(const QTreeWidgetItem* item) const
{
    const auto* node = item != nullptr && item->type() == kNodeType
                           ? static_cast<const TDirTreeNode*>(item)
                           : nullptr;
    if (node == nullptr || node->Kind() == nkPlaceholder)
        return {};
    if (node->Kind() == nkDrive)
        return node->MountPath();
    return JoinPath(NodePath(node->parent()), node->text(0));
}

QString TDirTree::Directory() const
{
    return NodePath(SelectedNode());
}

void TDirTree::SortSiblings(QTreeWidgetItem* node)
{
    if (QTreeWidgetItem* parent = node->parent())
        parent->sortChildren(0, Qt::AscendingOrder);
}

// --- drives ---

void TDirTree::RenumberRoots()
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        TDirTreeNode* root = AsNode(topLevelItem(i));
        if (root->drive_ != nullptr)
            root->driveIndex_ = root->drive_->Index();
    }
}

void TDirTree::AddDriveNode(TDrive& drive)
{
    TDirTreeNode* node = NewNode(nkDrive, drive.Name());
    node->drive_ = &drive;
    node->mountPath_ = drive.MountPath();
    node->driveIndex_ = drive.Index();
    node->driveType_ = drive.DriveType();
    node->setIcon(0, DirImage(drive.ImageIndex()));
    AddPlaceholder(node);
    int pos = 0;
    while (pos < topLevelItemCount() && AsNode(topLevelItem(pos))->driveIndex_ < drive.Index())
        ++pos;
    insertTopLevelItem(pos, node);
}

TDirTreeNode* TDirTree::DriveNode(const QString& mountPath) const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        TDirTreeNode* root = AsNode(topLevelItem(i));
        if (root->mountPath_ == mountPath)
            return root;
    }
    return nullptr;
}

void TDirTree::DriveChanged(int kinds, TDrive& drive)
{
    TDirTreeNode* node = DriveNode(drive.MountPath());
    if (kinds & ckDriveRemoved) {
        if (node != nullptr) {
            node->drive_ = nullptr;
            RemoveNode(node);
        }
        RenumberRoots();
    } else if (kinds & ckDriveAdded) {
        RenumberRoots();
        AddDriveNode(drive);
    } else if ((kinds & (ckMediumRemoved | ckMediumInserted)) && node != nullptr) {
        node->setText(0, drive.Name());
        node->setIcon(0, DirImage(kClosedFolderImage));
        node->setIcon(0, DirImage(drive.ImageIndex()));
    }
}

bool TDirTree::IsRemovableDriveNode(const TDirTreeNode* node) const
{
    return node->Kind() == nkDrive && node->driveType_ == dtRemovable;
}

QSet<QString> TDirTree::PathsNeverReadAhead() const
{
    QSet<QString> paths;
    for (const auto& drive : computer_.Drives()) {
        const TDriveType type = drive->DriveType();
        if (type == dtRemovable || type == dtCDROM || type == dtRemote)
            paths.insert(drive->MountPath());
    }
    return paths;
}

// --- listing ---

void TDirTree::ExpandNode(TDirTreeNode* node)
{
    LoadOnExpand(node);
    expanding_ = true;
    node->setExpanded(true);
    expanding_ = false;
}

void TDirTree::NodeExpanded(QTreeWidgetItem* item)
{
    TDirTreeNode* node = AsNode(item);
    if (!expanding_ && node != nullptr)
        LoadOnExpand(node);
}

void TDirTree::LoadOnExpand(TDirTreeNode* node)
{
    if (node->Kind() == nkPlaceholder || node->pendingListing_ != 0)
        return;
    WaitCursor wait;
    if (HasRealChildren(node))
        ListChildren(node);  // each expansion refreshes the level below the visible one
    else
        ListNode(node, true);
}

void TDirTree::ListNode(TDirTreeNode* node, bool lookAhead)
{
    TListRequest request;
    request.path = NodePath(node);
    request.lookAhead = lookAhead;
    if (lookAhead)
        request.skip = PathsNeverReadAhead();
    RunListing({std::move(request)}, {node}, DeadlineIn(listingBudgetMs_));
}

void TDirTree::ListChildren(TDirTreeNode* node)
{
    const QSet<QString> neverReadAhead = PathsNeverReadAhead();
    // One listing per child within one budget: a child that does not answer (a dead mount) holds
    // up neither its siblings nor the interface, and stays pending until its answer comes.
    const TDeadline deadline = DeadlineIn(listingBudgetMs_);
    for (int i = 0; i < node->childCount(); ++i) {
        TDirTreeNode* child = AsNode(node->child(i));
        const QString path = NodePath(child);
        if (neverReadAhead.contains(path)) {
            if (child->childCount() == 0)
                AddPlaceholder(child);
            continue;
        }
        if (child->pendingListing_ == 0)
            RunListing({TListRequest{path, false, {}}}, {child}, deadline);
    }
}

void TDirTree::RunListing(std::vector<TListRequest> requests,
                          const std::vector<TDirTreeNode*>& nodes, TDeadline deadline)
{
    const int serial = ++listingSerial_;
    pendingListings_[serial] = nodes;
    for (TDirTreeNode* node : nodes) {
        node->pendingListing_ = serial;
        waiting_.insert(node);
    }
    const auto listings =
        ListWithin(ListFoldersFn, std::move(requests), deadline,
                   [tree = QPointer<TDirTree>(this), serial](std::vector<TFolderListing> late) {
                       if (tree)
                           tree->ApplyListings(late, serial);
                   });
    if (listings)
        ApplyListings(*listings, serial);
}

void TDirTree::ApplyListings(const std::vector<TFolderListing>& listings, int serial)
{
    const auto it = pendingListings_.find(serial);
    if (it == pendingListings_.end())
        return;
    const std::vector<TDirTreeNode*> nodes = std::move(it->second);
    pendingListings_.erase(it);
    for (size_t i = 0; i < nodes.size() && i < listings.size(); ++i) {
        TDirTreeNode* node = nodes[i];
        // A node that was removed or listed again meanwhile does not take this result.
        if (!waiting_.contains(node) || node->pendingListing_ != serial)
            continue;
        waiting_.erase(node);
        node->pendingListing_ = 0;
        ApplyListing(node, listings[i]);
    }
}

void TDirTree::ApplyListing(TDirTreeNode* node, const TFolderListing& listing)
{
    MergeChildren(node, listing.names);
    if (!listing.readAhead)
        return;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        const auto found = listing.lookAhead.find(child->text(0));
        if (found != listing.lookAhead.end())
            MergeChildren(child, found->second);
        else if (child->childCount() == 0)
            AddPlaceholder(child);  // media are never read ahead
    }
}

void TDirTree::MergeChildren(QTreeWidgetItem* node, const QStringList& names)
{
    QHash<QString, QTreeWidgetItem*> existing;
    QList<QTreeWidgetItem*> gone;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        if (AsNode(child)->Kind() == nkFolder)
            existing.insert(child->text(0), child);
        else
            gone << child;
    }
    QSet<QString> listed(names.begin(), names.end());
    for (auto it = existing.begin(); it != existing.end(); ++it)
        if (!listed.contains(it.key()))
            gone << it.value();
    for (QTreeWidgetItem* child : gone)
        RemoveNode(child);

    QList<QTreeWidgetItem*> added;
    for (const QString& name : names)
        if (!existing.contains(name))
            added << NewNode(nkFolder, name);
    if (added.isEmpty())
        return;
    const bool wasEmpty = node->childCount() == 0;
    node->addChildren(added);
    // The names come sorted: only a mix with kept nodes needs sorting.
    if (!wasEmpty)
        node->sortChildren(0, Qt::AscendingOrder);
}

void TDirTree::RemoveNode(QTreeWidgetItem* node)
{
    QTreeWidgetItem* current = currentItem();
    if (current != nullptr && (current == node || IsBelow(current, node))) {
        QTreeWidgetItem* next = node->parent();
        for (int i = 0; next == nullptr && i < topLevelItemCount(); ++i)
            if (topLevelItem(i) != node)
                next = topLevelItem(i);
        setCurrentItem(next);
    }
    quiet_ = true;
    delete node;
    quiet_ = false;
}

TDirTreeNode* TDirTree::RootFor(const QString& path) const
{
    TDirTreeNode* best = nullptr;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        TDirTreeNode* root = AsNode(topLevelItem(i));
        if (IsPathPrefix(root->mountPath_, path) &&
            (best == nullptr || root->mountPath_.size() > best->mountPath_.size()))
            best = root;
    }
    return best;
}

TDirTreeNode* TDirTree::FindNode(const QString& path)
{
    if (path.isEmpty())
        return nullptr;
    const QString target = CleanAbsolutePath(path);
    TDirTreeNode* node = RootFor(target);
    while (node != nullptr) {
        if (NodePath(node) == target)
            return node;
        if (!node->isExpanded() || !HasRealChildren(node))
            ExpandNode(node);
        TDirTreeNode* next = nullptr;
        for (int i = 0; next == nullptr && i < node->childCount(); ++i) {
            TDirTreeNode* child = AsNode(node->child(i));
            if (child->Kind() == nkFolder && IsPathPrefix(NodePath(child), target))
                next = child;
        }
        node = next;
    }
    return nullptr;
}

TDirTreeNode* TDirTree::ChildFolderNode(TDirTreeNode* parent, const QString& name)
{
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0) == name)
            return AsNode(parent->child(i));
    TDirTreeNode* node = NewNode(nkFolder, name);
    parent->addChild(node);
    parent->sortChildren(0, Qt::AscendingOrder);
    return node;
}

bool TDirTree::AddFolderNode(const QString& path, bool select)
{
    const QString clean = CleanAbsolutePath(path);
    const QString name = ExtractFileName(clean);
    TDirTreeNode* parent = name.isEmpty() ? nullptr : FindNode(ExtractFileDir(clean));
    if (parent == nullptr)
        return false;
    // Loaded first, so that the parent's own listing does not drop the new node again.
    if (!HasRealChildren(parent))
        ExpandNode(parent);
    TDirTreeNode* node = ChildFolderNode(parent, name);
    if (select)
        setCurrentItem(node);
    return true;
}

void TDirTree::SetDirectory(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString target = CleanAbsolutePath(path);
    if (target == Directory())
        return;
    TDirTreeNode* node = FindNode(target);
    if (node == nullptr) {
        if (!IsFolderWithin(target) || !AddFolderNode(target, false))
            return;
        node = FindNode(target);
    }
    if (node == nullptr)
        return;
    setCurrentItem(node);
    scrollToItem(node);
}

// --- folder commands ---

void TDirTree::NewFolder(TDirTreeNode* parent)
{
    if (parent == nullptr || parent->Kind() == nkPlaceholder)
        return;
    if (!parent->isExpanded())
        ExpandNode(parent);
    const QString parentPath = NodePath(parent);
    const auto made = RunWithin<QString>(
        [parentPath] { return MakeNewFolder(parentPath); }, DeadlineIn(listingBudgetMs_),
        [tree = QPointer<TDirTree>(this), at = IndexOf(parent)](const QString& name) {
            if (tree != nullptr && tree->NodeAt(at) != nullptr)
                tree->NewFolderMade(tree->NodeAt(at), name);
        });
    if (made)
        NewFolderMade(parent, *made);
}

void TDirTree::NewFolderMade(TDirTreeNode* parent, const QString& name)
{
    if (name.isEmpty()) {
        ShowMessage(QStringLiteral("Es konnte kein Verzeichnis erstellt werden"),
                    QMessageBox::NoIcon);
        return;
    }
    TDirTreeNode* node = ChildFolderNode(parent, name);
    scrollToItem(node);
    StartRename(node);
    // The folder stays when no editor could be opened; only the node goes.
    if (state() != QAbstractItemView::EditingState)
        RemoveNode(node);
}

void TDirTree::DeleteFolder(TDirTreeNode* node)
{
    if (node == nullptr || node->Kind() != nkFolder)
        return;
    TDirTreeNode* selected = SelectedNode();
    QPersistentModelIndex next = IndexOf(selected);
    // The shown folder itself or one below it is going: the selection moves to the parent
    // whatever the outcome, and the folder is not held open meanwhile.
    if (selected != nullptr && (selected == node || IsBelow(selected, node))) {
        next = IndexOf(node->parent());
        StopKeyboardChanges();
        changeHandling_ = false;
        setCurrentItem(nullptr);
    }
    // The operation runs its own event loop (its progress window): a late listing or a volume
    // that goes may free the node meanwhile, so it is found again afterwards.
    const QPersistentModelIndex at = IndexOf(node);
    const bool deleted = DeleteFolderOperation && DeleteFolderOperation(NodePath(node));
    if (deleted && NodeAt(at) != nullptr)
        Post(NodeAt(at), [this](TDirTreeNode* n) { RemoveNode(n); });
    changeHandling_ = true;
    TDirTreeNode* nextNode = NodeAt(next);
    if (nextNode != nullptr && nextNode != currentItem())
        setCurrentItem(nextNode);
}

void TDirTree::RefreshNode(TDirTreeNode* node)
{
    if (node == nullptr || node->Kind() == nkPlaceholder)
        return;
    if (IsRemovableDriveNode(node)) {
        while (node->childCount() > 0)
            RemoveNode(node->child(0));
        AddPlaceholder(node);
        return;
    }
    ListNode(node, false);
}

void TDirTree::StartRename(TDirTreeNode* node)
{
    if (node == nullptr || node->Kind() == nkPlaceholder)
        return;
    scrollToItem(node);
    editItem(node, 0);
}

// --- editing ---

void TDirTree::Post(TDirTreeNode* node, std::function<void(TDirTreeNode*)> command)
{
    QTimer::singleShot(0, this, [this, index = IndexOf(node), command = std::move(command)] {
        if (TDirTreeNode* n = NodeAt(index))
            command(n);
    });
}

void TDirTree::EndEdit(TDirTreeNode* node, const QString& text)
{
    if (node == nullptr)
        return;
    if (node->Kind() == nkDrive) {
        if (node->drive_ != nullptr) {
            computer_.SetLabel(*node->drive_, text);
            node->setText(0, node->drive_->Name());
        }
        return;
    }
    if (node->Kind() == nkFolder && !text.isEmpty() && text != node->text(0))
        EndFolderEdit(node, text);
}

void TDirTree::EndFolderEdit(TDirTreeNode* node, const QString& text)
{
    const auto reopenEditor = [this](TDirTreeNode* n) { StartRename(n); };
    if (IsInvalidFolderName(text)) {
        ShowMessage(QStringLiteral("Ein Dateiname darf keines der folgenden Zeichen enthalten:\n") +
                        SpacedInvalidChars(),
                    QMessageBox::Critical);
        Post(node, reopenEditor);
        return;
    }
    const QString oldPath = NodePath(node);
    const QString newPath = JoinPath(NodePath(node->parent()), text);
    // The operation may run an event loop that frees the node: it is found again afterwards.
    const QPersistentModelIndex at = IndexOf(node);
    const bool renamed = RenameFolderOperation && RenameFolderOperation(oldPath, newPath);
    node = NodeAt(at);
    if (node == nullptr)
        return;
    if (!renamed) {
        Post(node, reopenEditor);
        return;
    }
    TDirTreeNode* selected = SelectedNode();
    const bool shownFolderRenamed = selected == node || IsBelow(selected, node);
    node->setText(0, text);
    // After the view's own end of editing: move to the sorted place, then tell the owner.
    Post(node, [this, shownFolderRenamed](TDirTreeNode* n) {
        SortSiblings(n);
        scrollToItem(n);
        if (shownFolderRenamed && OnNameChange)
            OnNameChange(*this);
    });
}

// --- selection ---

void TDirTree::SelectQuietly(QTreeWidgetItem* node)
{
    quiet_ = true;
    setCurrentItem(node);
    quiet_ = false;
}

void TDirTree::CurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous)
{
    if (quiet_ || !changeHandling_)
        return;
    if (keyboardInput_) {
        keyTo_ = IndexOf(current);
        if (++keyCounter_ == 1) {
            keyFrom_ = IndexOf(previous);
            keyTimer_->start();
        }
        return;
    }
    StopKeyboardChanges();
    ApplyChange(AsNode(current), AsNode(previous));
}

void TDirTree::ApplyChange(TDirTreeNode* target, TDirTreeNode* previous)
{
    if (target == nullptr || target->Kind() == nkPlaceholder)
        return;
    if (!CanChange(target, previous)) {
        SelectQuietly(previous);
        return;
    }
    Changed(target);
}

bool TDirTree::CanChange(TDirTreeNode* target, TDirTreeNode* previous)
{
    if (target->Kind() != nkDrive || target->driveType_ == dtFixed)
        return true;
    if (previous == nullptr || previous == target || IsBelow(previous, target))
        return true;
    const QString text =
        QStringLiteral("Auf Laufwerk ") + target->MountPath() +
        QStringLiteral(" kann nicht zugriffen werden.\nDas Gerät ist nicht bereit.");
    // A volume that does not answer within the budget is as good as not ready.
    const auto ready = [check = VolumeReadyCheck, path = target->MountPath(), this] {
        return RunWithin<bool>([check, path] { return check(path); }, DeadlineIn(listingBudgetMs_))
            .value_or(false);
    };
    while (!ready())
        if (!AskRetry(text))
            return false;
    return true;
}

bool TDirTree::IsFolderWithin(const QString& path) const
{
    return RunWithin<bool>([path] { return QFileInfo(path).isDir(); }, DeadlineIn(listingBudgetMs_))
        .value_or(false);
}

void TDirTree::Changed(TDirTreeNode* node)
{
    if (node->childCount() == 0)
        ListNode(node, false);
    if (OnDirChange)
        OnDirChange(*this);
}

void TDirTree::KeyboardTick()
{
    if (--keyCounter_ > 0)
        return;
    StopKeyboardChanges();
    ApplyChange(NodeAt(keyTo_), NodeAt(keyFrom_));
}

void TDirTree::StopKeyboardChanges()
{
    keyTimer_->stop();
    keyCounter_ = 0;
}

void TDirTree::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Menu)
        contextNode_ = QPersistentModelIndex();
    keyboardInput_ = true;
    QTreeWidget::keyPressEvent(event);
    keyboardInput_ = false;
}

void TDirTree::contextMenuEvent(QContextMenuEvent* event)
{
    QTreeWidgetItem* item = nullptr;
    if (event->reason() == QContextMenuEvent::Mouse)
        item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    contextNode_ = IndexOf(item);
    // Shown as a drop target while the owner's menu is open.
    ShowAsDropTarget(item, true);
    if (OnContextPopup)
        OnContextPopup(*this, event->globalPos());
    if (TDirTreeNode* node = NodeAt(contextNode_); node != DropHighlighted())
        ShowAsDropTarget(node, false);
    event->accept();
}

void TDirTree::ShowAsDropTarget(QTreeWidgetItem* node, bool value)
{
    if (node == nullptr)
        return;
    // A lighter shade than the selection's, so the selected folder stays recognisable.
    QColor shade = palette().color(QPalette::Highlight);
    shade.setAlpha(110);
    node->setData(0, Qt::BackgroundRole, value ? QVariant(QBrush(shade)) : QVariant());
}

void TDirTree::SetDropHighlight(QTreeWidgetItem* node)
{
    TDirTreeNode* target = AsNode(node);
    if (target != nullptr && target->Kind() == nkPlaceholder)
        target = nullptr;
    TDirTreeNode* old = DropHighlighted();
    if (old == target)
        return;
    if (old != nullptr && IndexOf(old) != contextNode_)
        ShowAsDropTarget(old, false);
    dropNode_ = IndexOf(target);
    ShowAsDropTarget(target, true);
}

TDirTreeNode* TDirTree::DropHighlighted() const
{
    return NodeAt(dropNode_);
}

}  // namespace pixmarl
