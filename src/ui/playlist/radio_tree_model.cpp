#include "ui/playlist/radio_tree_model.h"

#include <QPixmap>
#include <QTimer>
#include <vector>

#include "stations/station_tree.h"
#include "stations/tree_editor.h"
#include "ui/skins/skin_state.h"
#include "ui/text_edge.h"

namespace tazmel {

RadioTreeModel::RadioTreeModel(TreeEditor& editor, QObject* parent) : QAbstractItemModel(parent), editor_(editor) {
  listener_ = editor_.AddRemovalListener([this](const TreeNode* removed) { OnRemoval(removed); });
  for (const auto& top : editor_.tree().top_nodes()) {
    if (top->HasChildren() || !top->expandable()) fetched_.insert(top.get());
  }
}

RadioTreeModel::~RadioTreeModel() { editor_.RemoveRemovalListener(listener_); }

TreeNode* RadioTreeModel::NodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<TreeNode*>(index.internalPointer()) : nullptr;
}

bool RadioTreeModel::Fetched(const TreeNode& top) const { return fetched_.contains(&top); }

QModelIndex RadioTreeModel::IndexOf(const TreeNode* node) const {
  if (node == nullptr) return {};
  const TreeNode& top = TopNode(*node);
  if (editor_.tree().Top(top.ChildIndex()) != &top) return {};
  if (node != &top && !Fetched(top)) return {};
  return createIndex(node->ChildIndex(), 0, const_cast<TreeNode*>(node));
}

QModelIndex RadioTreeModel::index(int row, int column, const QModelIndex& parent) const {
  if (column != 0 || row < 0 || row >= rowCount(parent)) return {};
  TreeNode* node = parent.isValid() ? NodeOf(parent)->child(row) : editor_.tree().Top(row);
  return node != nullptr ? createIndex(row, 0, node) : QModelIndex();
}

QModelIndex RadioTreeModel::parent(const QModelIndex& child) const {
  const TreeNode* node = NodeOf(child);
  if (node == nullptr || node->parent() == nullptr) return {};
  TreeNode* up = node->parent();
  return createIndex(up->ChildIndex(), 0, up);
}

int RadioTreeModel::rowCount(const QModelIndex& parent) const {
  if (!parent.isValid()) return editor_.tree().TopCount();
  if (parent.column() != 0) return 0;
  const TreeNode* node = NodeOf(parent);
  if (node->parent() == nullptr && !Fetched(*node)) return 0;
  return node->child_count();
}

int RadioTreeModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() && parent.column() != 0 ? 0 : 1;
}

bool RadioTreeModel::hasChildren(const QModelIndex& parent) const {
  if (!parent.isValid()) return editor_.tree().TopCount() > 0;
  if (parent.column() != 0) return false;
  const TreeNode* node = NodeOf(parent);
  if (node->parent() == nullptr && !Fetched(*node)) return node->expandable() || node->HasChildren();
  return node->HasChildren();
}

bool RadioTreeModel::canFetchMore(const QModelIndex& parent) const {
  const TreeNode* node = NodeOf(parent);
  return node != nullptr && parent.column() == 0 && node->parent() == nullptr && !Fetched(*node) &&
         (node->expandable() || node->HasChildren());
}

void RadioTreeModel::fetchMore(const QModelIndex& parent) {
  if (!canFetchMore(parent)) return;
  TreeNode* top = NodeOf(parent);
  editor_.EnsureLoaded(*top);
  const int rows = top->child_count();
  if (rows > 0) {
    beginInsertRows(parent, 0, rows - 1);
    fetched_.insert(top);
    endInsertRows();
  } else {
    // A missing or empty file: the expand button goes.
    fetched_.insert(top);
    emit dataChanged(parent, parent);
  }
}

const QString& RadioTreeModel::CaptionOf(const TreeNode& node) const {
  Caption& cached = captions_[&node];
  if (cached.text.isNull() || cached.bytes != node.caption()) {
    cached.bytes = node.caption();
    cached.text = FromGb(node.caption());
    // An empty caption still counts as decoded.
    if (cached.text.isNull()) cached.text = QLatin1String("");
  }
  return cached.text;
}

QVariant RadioTreeModel::data(const QModelIndex& index, int role) const {
  const TreeNode* node = NodeOf(index);
  if (node == nullptr) return {};
  switch (role) {
    case Qt::DisplayRole:
      return CaptionOf(*node);
    case Qt::DecorationRole: {
      const int icon = node->image_index();
      if (icon >= 0 && icon < static_cast<int>(icons_.size())) return icons_[icon];
      return {};
    }
    case Qt::ForegroundRole:
      if (!skinned_) return {};
      if (node == editor_.found_node()) return found_font_;
      if (node == editor_.playing_node()) return playing_color_;
      return {};
    case Qt::BackgroundRole:
      if (skinned_ && node == editor_.found_node()) return found_back_;
      return {};
    default:
      return {};
  }
}

Qt::ItemFlags RadioTreeModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

void RadioTreeModel::ResetNow() {
  emit aboutToReset();
  beginResetModel();
  fetched_.clear();
  for (const auto& top : editor_.tree().top_nodes()) {
    if (top->HasChildren() || !top->expandable()) fetched_.insert(top.get());
  }
  endResetModel();
}

void RadioTreeModel::BeginChange() {
  if (change_depth_++ == 0) reset_in_bracket_ = false;
}

void RadioTreeModel::EndChange() {
  if (change_depth_ == 0 || --change_depth_ > 0) return;
  ResetNow();
  emit restoreRequested();
}

void RadioTreeModel::Refresh() {
  if (Changing()) return;  // the bracket's end resets anyway
  ResetNow();
  emit restoreRequested();
}

void RadioTreeModel::RefreshNode(const TreeNode& node) {
  const QModelIndex at = IndexOf(&node);
  if (at.isValid()) emit dataChanged(at, at);
}

void RadioTreeModel::OnRemoval(const TreeNode* removed) {
  if (removed == nullptr) {
    captions_.clear();
  } else {
    std::vector<const TreeNode*> pending{removed};
    while (!pending.empty()) {
      const TreeNode* node = pending.back();
      pending.pop_back();
      captions_.erase(node);
      for (const auto& child : node->children()) pending.push_back(child.get());
    }
  }
  if (Changing()) {
    if (reset_in_bracket_) return;
    reset_in_bracket_ = true;
    ResetNow();
    return;
  }
  // The nodes go as soon as this returns; the view may only look again once
  // they are gone.
  ResetNow();
  QTimer::singleShot(0, this, [this] { emit restoreRequested(); });
}

void RadioTreeModel::SetSkin(const SkinState* skin) {
  icons_.clear();
  skinned_ = skin != nullptr && skin->Loaded();
  if (skinned_) {
    for (const QImage& image : skin->NodeIcons()) icons_.emplace_back(QPixmap::fromImage(image));
    const ListSkin& tree = skin->Ini().tree;
    playing_color_ = ToQColor(tree.playing_item_font_color);
    found_font_ = ToQColor(tree.selected_item_font_color);
    found_back_ = ToQColor(tree.selected_item_back_color);
  }
  Refresh();
}

}  // namespace tazmel
