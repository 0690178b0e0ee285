// The device grid painting from a dataset: texts by record number, repainting
// when the records change, never posting an edit, and its moves not taken
// for changes by the other views of the dataset.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>

#include "ViewFixture.h"
#include "app/DataSetModel.h"
#include "app/GridDataLink.h"
#include "app/TxGrid.h"
#include "dataset/DatabaseError.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

struct GridLinkTest : ::testing::Test {
  std::unique_ptr<TMemoryDataSet> ds = MakeDevices(20);
  TDataSource source{ds.get()};
  TxGrid grid;
  GridDataLink link{grid};
  PaintCounter counter;

  GridLinkTest() {
    ds->Open();
    link.SetDataSource(&source);
    grid.SetDataSet(&link);
    // Filled as the main window fills it: columns, then each record with the
    // dataset standing on it.
    grid.AddColumn(0, 0, "TYPE", "Type", "Type", 4);
    grid.AddColumn(1, 0, "VID", "Kind", "Kind", 3);
    for (std::int32_t recNo = 20; recNo >= 1; --recNo) {
      ds->SetRecNo(recNo);
      grid.AddRow(recNo);
    }
    grid.SetFixedCols(1);
    grid.SetFixedRows(1);
    grid.resize(300, 200);
    grid.show();
    [[maybe_unused]] bool exposed = QTest::qWaitForWindowExposed(&grid);
    grid.viewport()->installEventFilter(&counter);
  }
  int PaintsAfterEvents() {
    counter.paints = 0;
    QCoreApplication::processEvents();
    return counter.paints;
  }
  std::string TextOf(std::int32_t recNo) {
    link.SetRecNo(recNo);
    return link.FieldText("TYPE");
  }
};

}  // namespace

TEST_F(GridLinkTest, TheGridReadsCellsByRecordNumber) {
  EXPECT_EQ(TextOf(7), "T7");
  EXPECT_EQ(link.RecNo(), 7);
  EXPECT_EQ(link.FieldText("VID"), "1");
  EXPECT_THROW(link.FieldText("NOSUCH"), EDatabaseError);
  CollectedErrors errors;
  grid.grab();
  EXPECT_TRUE(errors.Shown().empty());
  // Painting leaves the dataset on a record of the grid.
  EXPECT_GE(ds->RecNo(), 1);
}

TEST_F(GridLinkTest, ChangedRecordsRepaintTheGridMovesDoNot) {
  PaintsAfterEvents();
  ds->MoveBy(3);
  EXPECT_EQ(PaintsAfterEvents(), 0);
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("typed");
  EXPECT_GT(PaintsAfterEvents(), 0);
  ds->Post();
  EXPECT_GT(PaintsAfterEvents(), 0);
  ds->Close();
  EXPECT_GT(PaintsAfterEvents(), 0);
}

TEST_F(GridLinkTest, OtherViewsDoNotTakeThePaintingForChanges) {
  DataSetModel model;
  model.SetDataSource(&source);
  FetchAll(model);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  grid.grab();
  EXPECT_EQ(PaintsAfterEvents(), 0);  // nor does the grid itself
  EXPECT_EQ(resets.count(), 0);
}

TEST_F(GridLinkTest, AnEditIsNotPostedByPainting) {
  ds->SetRecNo(5);
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("typed");
  grid.grab();
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(ds->RecNo(), 5);
  EXPECT_EQ(TextOf(5), "typed");
  EXPECT_EQ(TextOf(6), "");  // other records wait for the edit to end
  EXPECT_EQ(std::get<std::string>(ds->rows[4].values[0]), "T5");
  ds->Cancel();
  EXPECT_EQ(TextOf(6), "T6");
  EXPECT_EQ(TextOf(5), "T5");
}

TEST_F(GridLinkTest, AClosedDataSetPaintsEmptyCells) {
  ds->Close();
  EXPECT_EQ(link.RecNo(), 0);
  EXPECT_EQ(TextOf(3), "");
  CollectedErrors errors;
  grid.grab();
  EXPECT_TRUE(errors.Shown().empty());
}
