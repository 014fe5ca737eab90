#include "containers/ui/entry_filter_box.h"

#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <memory>

#include "common/ui/ui_text.h"
#include "containers/entry_filter.h"
#include "containers/ui/entry_tree_model.h"

namespace cfv {

CEntryFilterBox::CEntryFilterBox(EntryTreeModel& model, QTreeView& view, UiLanguage language, QWidget* parent)
    : QWidget(parent), model_(model), view_(view) {
  edit_ = new QLineEdit(this);
  edit_->setObjectName(QStringLiteral("filterEdit"));
  edit_->setPlaceholderText(UiText(texts::kFilterPlaceholder, language));
  edit_->setClearButtonEnabled(true);
  edit_->installEventFilter(this);
  checkMatches_ = new QPushButton(UiText(texts::kFilterCheckMatches, language), this);
  uncheckAll_ = new QPushButton(UiText(texts::kFilterUncheckAll, language), this);
  checkMatches_->setEnabled(false);
  // Nothing to uncheck until a file is in the tree.
  uncheckAll_->setEnabled(model_.Tree().Size() > 0);
  connect(&model_, &EntryTreeModel::TreeGrew, uncheckAll_, [this] { uncheckAll_->setEnabled(true); });
  auto* buttons = new QHBoxLayout;
  buttons->setContentsMargins(0, 0, 0, 0);
  buttons->addWidget(checkMatches_);
  buttons->addWidget(uncheckAll_);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 2);
  layout->setSpacing(2);
  layout->addWidget(edit_);
  layout->addLayout(buttons);

  auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
  find->setContext(Qt::WindowShortcut);
  connect(find, &QShortcut::activated, this, [this] {
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
  });
  connect(edit_, &QLineEdit::textChanged, this, &CEntryFilterBox::ApplyPattern);
  nextSlice_ = new QTimer(this);
  nextSlice_->setSingleShot(true);
  nextSlice_->setInterval(0);
  connect(nextSlice_, &QTimer::timeout, this, &CEntryFilterBox::MatchSome);
  connect(checkMatches_, &QPushButton::clicked, this, [this] { model_.CheckMatches(); });
  connect(uncheckAll_, &QPushButton::clicked, this, [this] { model_.SetAllChecked(false); });
  connect(&view_, &QTreeView::expanded, this, [this](const QModelIndex& index) {
    if (!filtering_) expanded_.insert(model_.ItemOf(index));
  });
  connect(&view_, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
    if (!filtering_) expanded_.erase(model_.ItemOf(index));
  });
  // An edit made the filter afresh (a model reset): show it expanded again;
  // a match still under way started on the tree as it was.
  connect(&model_, &EntryTreeModel::Edited, this, [this] {
    if (pending_)
      ApplyPattern(edit_->text());
    else if (filtering_)
      view_.expandAll();
  });
  connect(view_.selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            if (filtering_ && current.isValid()) chosenWhileFiltering_ = model_.ItemOf(current);
          });
}

CEntryFilterBox::~CEntryFilterBox() = default;

bool CEntryFilterBox::eventFilter(QObject* watched, QEvent* event) {
  // Entries dragged out of the tree carry file URLs, which a line edit takes
  // as text: a drag from this program is no pattern.
  if (watched == edit_ && event->type() == QEvent::DragEnter &&
      static_cast<QDragEnterEvent*>(event)->source() != nullptr) {
    event->ignore();
    return true;
  }
  if (watched == edit_ && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !edit_->text().isEmpty()) {
    edit_->clear();
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void CEntryFilterBox::ApplyPattern(const QString& text) {
  pending_.reset();
  nextSlice_->stop();
  if (text.isEmpty()) {
    if (!filtering_) return;
    model_.SetFilter(nullptr);
    for (ItemId item : expanded_) view_.expand(model_.IndexOf(item));
    filtering_ = false;
    RestoreCurrent(chosenWhileFiltering_ != kNoItem ? chosenWhileFiltering_ : currentBefore_);
    checkMatches_->setEnabled(false);
    // Nothing to uncheck until a file is in the tree.
    uncheckAll_->setEnabled(model_.Tree().Size() > 0);
    connect(&model_, &EntryTreeModel::TreeGrew, uncheckAll_, [this] { uncheckAll_->setEnabled(true); });
    return;
  }
  if (!filtering_) {
    currentBefore_ = model_.ItemOf(view_.currentIndex());
    chosenWhileFiltering_ = kNoItem;
  }
  filtering_ = true;
  const QByteArray pattern = text.toUtf8();
  pending_ = std::make_unique<EntryFilter>(
      EntryPattern(std::string_view(pattern.constData(), static_cast<std::size_t>(pattern.size())),
                   EntryPattern::Mode::kName));
  MatchSome();
}

void CEntryFilterBox::MatchSome() {
  constexpr ItemId kStep = 1u << 16;
  constexpr qint64 kSliceMs = 10;
  QElapsedTimer clock;
  clock.start();
  const EntryTree& tree = model_.Tree();
  while (pending_->Extended() < tree.Size()) {
    pending_->Extend(tree, pending_->Extended() + std::min(kStep, tree.Size() - pending_->Extended()));
    if (pending_->Extended() < tree.Size() && clock.elapsed() >= kSliceMs) {
      nextSlice_->start();
      return;
    }
  }
  model_.SetFilter(std::move(pending_));
  view_.expandAll();
  RestoreCurrent(chosenWhileFiltering_ != kNoItem ? chosenWhileFiltering_ : currentBefore_);
  checkMatches_->setEnabled(true);
}

void CEntryFilterBox::RestoreCurrent(ItemId item) {
  const QModelIndex index = model_.IndexOf(item);
  if (!index.isValid()) return;
  {
    const QSignalBlocker quiet(view_.selectionModel());
    view_.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  }
  view_.scrollTo(index);
  view_.viewport()->update();
}

}  // namespace cfv
