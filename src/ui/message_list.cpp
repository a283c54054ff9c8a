#include "ui/message_list.hpp"

#include <array>

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

namespace quorvine::ui {
namespace {

struct Column {
  const char* header;
  int width;  // 0: hidden, it carries a key
};
constexpr std::array<Column, 11> columns = {{{"", 25},
                                             {"Type", 0},
                                             {"S.No", 0},
                                             {" ", 0},
                                             {"From", 300},
                                             {"Subject", 300},
                                             {"Date", 135},
                                             {"Att", 50},
                                             {"To", 0},
                                             {"Cc", 0},
                                             {"Bcc", 0}}};

// Marks, on column 8, the rows whose columns 8 to 10 say where the message is listed.
constexpr int place_role = Qt::UserRole;

QStringList texts_of(const listing::MessageListRow& r) {
  const auto hidden = listing::columns_8_to_10(r);
  const std::array<const std::string*, 11> fields = {&r.message_id, &r.kind,      &r.mail_number, &r.key,
                                                     &r.from,       &r.subject,   &r.date,        &r.attachment,
                                                     hidden[0],     hidden[1],    hidden[2]};
  QStringList texts;
  for (const std::string* field : fields) texts << QString::fromStdString(*field);
  return texts;
}

QIcon check_box_icon(const QWidget* widget, bool checked) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  QStyleOptionButton option;
  option.rect = pixmap.rect();
  option.state = QStyle::State_Enabled | (checked ? QStyle::State_On : QStyle::State_Off);
  widget->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter, widget);
  return QIcon(pixmap);
}

}  // namespace

MessageList::MessageList(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSortingEnabled(false);
  setColumnCount(static_cast<int>(columns.size()));
  QStringList headers;
  for (const Column& c : columns) headers << c.header;
  setHeaderLabels(headers);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    setColumnWidth(i, columns[i].width);
    setColumnHidden(i, columns[i].width == 0);
  }
  header()->setStretchLastSection(false);
  header()->setSectionsClickable(true);
  setHeaderChecked(false);
  connect(header(), &QHeaderView::sectionClicked, this, [this](int section) {
    if (section == 0) clickCheckAllHeader();
  });
  connect(this, &QTreeWidget::itemChanged, this, &MessageList::onItemChanged);
  connect(this, &QTreeWidget::itemClicked, this,
          [this](QTreeWidgetItem* item, int) { emit rowClicked(indexOfTopLevelItem(item)); });
}

void MessageList::setHeaderChecked(bool checked) {
  header_checked_ = checked;
  headerItem()->setIcon(0, check_box_icon(this, checked));
}

void MessageList::clearRows() {
  const QSignalBlocker quiet(this);
  clear();
  setHeaderChecked(false);
}

void MessageList::appendRows(const std::vector<listing::MessageListRow>& rows) {
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const auto& r : rows) {
    auto* item = new QTreeWidgetItem(texts_of(r));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Qt::Unchecked);
    if (listing::lists_place(r)) item->setData(8, place_role, true);
    items.push_back(item);
  }
  {
    const QSignalBlocker quiet(this);
    addTopLevelItems(items);
  }
  if (!rows.empty()) setHeaderChecked(false);
}

listing::MessageListRow MessageList::row(int index) const {
  listing::MessageListRow r;
  const QTreeWidgetItem* item = topLevelItem(index);
  if (!item) return r;
  const bool place = item->data(8, place_role).toBool();
  std::array<std::string*, 11> fields = {&r.message_id,
                                         &r.kind,
                                         &r.mail_number,
                                         &r.key,
                                         &r.from,
                                         &r.subject,
                                         &r.date,
                                         &r.attachment,
                                         place ? &r.folder_id : &r.to,
                                         place ? &r.mailbox_name : &r.cc,
                                         place ? &r.folder_name : &r.bcc};
  for (int i = 0; i < 11; ++i) *fields[i] = item->text(i).toStdString();
  return r;
}

int MessageList::selectionMark() const {
  QTreeWidgetItem* item = currentItem();
  return item ? indexOfTopLevelItem(item) : -1;
}

bool MessageList::isRowChecked(int index) const {
  const QTreeWidgetItem* item = topLevelItem(index);
  return item && item->checkState(0) == Qt::Checked;
}

void MessageList::setRowChecked(int index, bool checked) {
  if (QTreeWidgetItem* item = topLevelItem(index)) item->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

int MessageList::checkedCount() const {
  int count = 0;
  for (int i = 0; i < topLevelItemCount(); ++i) count += isRowChecked(i) ? 1 : 0;
  return count;
}

std::vector<listing::MessageListRow> MessageList::checkedRows() const {
  std::vector<listing::MessageListRow> rows;
  for (int i = 0; i < topLevelItemCount(); ++i)
    if (isRowChecked(i)) rows.push_back(row(i));
  return rows;
}

void MessageList::clickCheckAllHeader() {
  const bool checked = !header_checked_;
  setHeaderChecked(checked);
  // One pass; the header is settled once at the end rather than after every row.
  bulk_ = true;
  for (int i = 0; i < topLevelItemCount(); ++i) setRowChecked(i, checked);
  bulk_ = false;
}

void MessageList::onItemChanged(QTreeWidgetItem*, int column) {
  if (column == 0 && !bulk_) followRows();
}

void MessageList::followRows() {
  const int count = topLevelItemCount();
  bool all = count > 0;
  for (int i = 0; i < count && all; ++i) all = isRowChecked(i);
  if (all != header_checked_) setHeaderChecked(all);
}

void MessageList::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* action = menu.addAction("Export to MBOX");
  action->setCheckable(true);
  action->setChecked(true);
  if (menu.exec(event->globalPos()) == action) emit exportRequested();
}

}  // namespace quorvine::ui
