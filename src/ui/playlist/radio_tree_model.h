#pragma once

#include <QAbstractItemModel>
#include <QColor>
#include <QIcon>
#include <QString>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace tazmel {

class SkinState;
class TreeEditor;
class TreeNode;

// The station tree as Qt's item views see it: one column, an index per node
// (its internal pointer is the TreeNode). The tree itself stays plain C++
// and is changed by the tree logic, which knows nothing of this model, so
// every command that changes the structure runs between BeginChange() and
// EndChange(); the model then resets once and the view restores what it
// showed (expanded nodes from the nodes' own flags, the selection from the
// editor). Nodes that leave the tree outside such a bracket reset the model
// before they go, so no view ever holds a pointer to a deleted node.
//
// An unloaded top node reports children; the view's fetchMore loads it. A
// top node whose subtree was loaded behind the model's back (a search, the
// station menu) keeps reporting no rows until the view fetches it, so the
// rows the view knows always match what the model says.
class RadioTreeModel : public QAbstractItemModel {
  Q_OBJECT

 public:
  explicit RadioTreeModel(TreeEditor& editor, QObject* parent = nullptr);
  ~RadioTreeModel() override;

  TreeEditor& editor() const { return editor_; }

  QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  bool hasChildren(const QModelIndex& parent = {}) const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  TreeNode* NodeOf(const QModelIndex& index) const;
  // Invalid for null and for a node the model does not show (below a top
  // node that was not fetched).
  QModelIndex IndexOf(const TreeNode* node) const;

  // Brackets a structural change; nests. The outermost EndChange resets the
  // model and emits restoreRequested.
  void BeginChange();
  void EndChange();
  bool Changing() const { return change_depth_ > 0; }
  // A reset with restore for changes made outside a bracket.
  void Refresh();
  // A node's caption or colours changed (playing or found mark).
  void RefreshNode(const TreeNode& node);

  // Icons and the playing/found colours of the loaded skin; null or an
  // unloaded skin keeps the control's own look.
  void SetSkin(const SkinState* skin);

 signals:
  // After a reset: the view re-expands the flagged nodes, reselects the
  // editor's selection and scrolls back.
  void restoreRequested();
  // Just before a reset, so the view can remember its scroll position.
  void aboutToReset();

 private:
  struct Caption {
    std::string bytes;
    QString text;
  };

  void ResetNow();
  void OnRemoval(const TreeNode* removed);
  bool Fetched(const TreeNode& top) const;
  const QString& CaptionOf(const TreeNode& node) const;

  TreeEditor& editor_;
  int listener_ = 0;
  int change_depth_ = 0;
  // A removal inside the current bracket already reset the model.
  bool reset_in_bracket_ = false;
  std::unordered_set<const TreeNode*> fetched_;
  // Decoded captions; the bytes are kept to notice a renamed node (or a new
  // node at a freed address).
  mutable std::unordered_map<const TreeNode*, Caption> captions_;
  std::vector<QIcon> icons_;
  bool skinned_ = false;
  QColor playing_color_;
  QColor found_font_;
  QColor found_back_;
};

}  // namespace tazmel
