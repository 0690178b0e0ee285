#include "app/DataGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPainter>
#include <algorithm>

#include "app/ErrorHandler.h"

namespace talvern {
namespace {

constexpr int kIndicatorWidth = 12;
constexpr int kMarkerSize = 4;  // half the height of the current row's marker

// The rows of the dataset under the grid's own column titles.
class TitledModel : public DataSetModel {
public:
  using DataSetModel::DataSetModel;

  void SetTitles(std::vector<QString> titles) { titles_ = std::move(titles); }

  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < static_cast<int>(titles_.size()))
      return titles_[static_cast<std::size_t>(section)];
    return DataSetModel::headerData(section, orientation, role);
  }

private:
  std::vector<QString> titles_;
};

// The row indicator: empty sections, a triangle beside the current row.
class IndicatorHeader : public QHeaderView {
public:
  explicit IndicatorHeader(QTableView& view) : QHeaderView(Qt::Vertical, &view), view_(view) {
    setFixedWidth(kIndicatorWidth);
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
  }

protected:
  void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    painter->save();  // the style may leave the painter clipped
    style()->drawControl(QStyle::CE_Header, &option, painter, this);
    painter->restore();
    if (logicalIndex != view_.currentIndex().row()) return;
    const QPointF centre = QRectF(rect).center();
    const QPolygonF marker({QPointF(centre.x() - kMarkerSize / 2.0, centre.y() - kMarkerSize),
                            QPointF(centre.x() + kMarkerSize / 2.0 + 1, centre.y()),
                            QPointF(centre.x() - kMarkerSize / 2.0, centre.y() + kMarkerSize)});
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(palette().color(QPalette::WindowText));
    painter->drawPolygon(marker);
    painter->restore();
  }

private:
  QTableView& view_;
};

}  // namespace

DataGrid::DataGrid(QWidget* parent) : QTableView(parent) {
  auto* model = new TitledModel(this);
  setModel(model);
  setVerticalHeader(new IndicatorHeader(*this));
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setShowGrid(true);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 2);
  connect(model, &QAbstractItemModel::modelReset, this, [this] { FollowCursorLater(); });
}

DataSetModel& DataGrid::Model() { return *static_cast<DataSetModel*>(model()); }

void DataGrid::SetDataSource(TDataSource* source) { Model().SetDataSource(source); }

void DataGrid::SetColumns(const std::vector<Column>& columns) {
  std::string names;
  std::vector<QString> titles;
  for (const Column& column : columns) {
    if (!names.empty()) names += ';';
    names += column.fieldName;
    titles.push_back(column.title);
  }
  static_cast<TitledModel&>(Model()).SetTitles(std::move(titles));
  Model().SetFieldNames(names);
  for (std::size_t i = 0; i < columns.size(); ++i) setColumnWidth(static_cast<int>(i), columns[i].width);
}

void DataGrid::FollowCursorLater() {
  if (followScheduled_) return;
  followScheduled_ = true;
  QMetaObject::invokeMethod(this, [this] { RunGuarded([&] { FollowCursor(); }); }, Qt::QueuedConnection);
}

// The model has started over: its first rows are read and the dataset's
// record becomes the current row.
void DataGrid::FollowCursor() {
  followScheduled_ = false;
  DataSetModel& model = Model();
  const QModelIndex root;
  if (model.rowCount() == 0 && model.canFetchMore(root)) model.fetchMore(root);
  const int row = model.CurrentRow();
  following_ = true;
  setCurrentIndex(row >= 0 ? model.index(row, std::max(0, currentIndex().column())) : QModelIndex());
  following_ = false;
  verticalHeader()->viewport()->update();
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  verticalHeader()->viewport()->update();
  if (following_ || !current.isValid() || current.row() == previous.row()) return;
  RunGuarded([&] { Model().GotoRow(current.row()); });
}

void DataGrid::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    event->accept();
    emit EnterPressed();
    return;
  }
  QTableView::keyPressEvent(event);
}

void DataGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  emit DblClick();
}

}  // namespace talvern
