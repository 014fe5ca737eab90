// CEntryFilterBox: the filter line above the entry tree, with the Check
// Matches and Uncheck All buttons.
//
// As the user types, the tree shows only the items whose text matches the
// pattern (EntryPattern, kName: plain text anywhere in the name; with * or
// ?, the whole name), with their ancestors, all expanded. Ctrl+F anywhere in
// the window focuses the line; Esc in it clears it. Clearing gives back the
// expansion the tree had before filtering began; check states are the
// tree's own and stay as the user left them. The current item afterwards is
// the user's latest choice: the one from before filtering, unless the user
// chose another while filtering. Neither filtering nor clearing previews
// anything anew: what is shown stays until the user picks another item.
//
// Matching a million names takes tens of milliseconds: the matching runs in
// slices of about 10 ms with the event loop in between, so that the window
// stays responsive and a new keystroke drops the unfinished match at once;
// the tree shows the result when all of it is known. A tree that small
// slices cover at once is filtered before the keystroke's handling returns.
//
// Drags that come from this program (entries dragged out of the tree) are
// not taken as text.
//
// Check Matches checks every match as a click on its box would (a matching
// branch with everything below it); Uncheck All unchecks every item, and is
// greyed while the tree is empty.
//
// Thread: UI thread only. The model and the view must outlive the box.
#pragma once

#include <QWidget>
#include <memory>
#include <unordered_set>

#include "common/texts.h"
#include "containers/entry_tree.h"

class QLineEdit;
class QTimer;
class QPushButton;
class QTreeView;

namespace cfv {

class EntryFilter;
class EntryTreeModel;

class CEntryFilterBox : public QWidget {
  Q_OBJECT

 public:
  CEntryFilterBox(EntryTreeModel& model, QTreeView& view, UiLanguage language, QWidget* parent = nullptr);
  ~CEntryFilterBox() override;

  QLineEdit& Edit() const { return *edit_; }
  QPushButton& CheckMatchesButton() const { return *checkMatches_; }
  QPushButton& UncheckAllButton() const { return *uncheckAll_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyPattern(const QString& text);
  // Goes on matching the pending filter for one slice; once it has seen
  // every item the model takes it and the tree is expanded.
  void MatchSome();
  // Makes `item` current without previewing it again (it is what the
  // preview shows already, or the user's own choice while filtering).
  void RestoreCurrent(ItemId item);

  EntryTreeModel& model_;
  QTreeView& view_;
  QLineEdit* edit_ = nullptr;
  QPushButton* checkMatches_ = nullptr;
  QPushButton* uncheckAll_ = nullptr;
  bool filtering_ = false;
  // Expanded items of the unfiltered tree, kept up to date as the user
  // expands and collapses while no filter is on.
  std::unordered_set<ItemId> expanded_;
  ItemId currentBefore_ = kNoItem;
  ItemId chosenWhileFiltering_ = kNoItem;
  // The filter of the latest pattern while its matching is under way.
  std::unique_ptr<EntryFilter> pending_;
  QTimer* nextSlice_ = nullptr;
};

}  // namespace cfv
