// The table model over a dataset: rows read a chunk at a time as views ask,
// only a few chunks kept, the dataset's cursor put back, changes of the
// dataset reaching the model, and views that do not disturb one another.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTableView>
#include <QTest>

#include "ViewFixture.h"
#include "app/DataSetModel.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

using Texts = std::vector<QString>;

struct ModelTest : ::testing::Test {
  std::unique_ptr<TMemoryDataSet> ds = MakeDevices(100);
  TDataSource source{ds.get()};
  DataSetModel model;

  ModelTest() {
    ds->Open();
    model.SetChunkRows(10);
    model.SetFieldNames("TYPE;VID");
    model.SetDataSource(&source);
  }
  // Another open dataset behind the source.
  TMemoryDataSet& Use(std::unique_ptr<TMemoryDataSet> other) {
    source.SetDataSet(nullptr);
    ds = std::move(other);
    ds->Open();
    source.SetDataSet(ds.get());
    return *ds;
  }
};

}  // namespace

TEST_F(ModelTest, RowsAreReadAChunkAtATimeUpToTheEnd) {
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_EQ(model.columnCount(), 2);
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "TYPE");
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "VID");
  ASSERT_TRUE(model.canFetchMore({}));

  model.fetchMore({});
  EXPECT_EQ(model.rowCount(), 10);
  EXPECT_EQ(model.ChunksRead(), 1);
  EXPECT_EQ(Cell(model, 0), "T1");
  EXPECT_EQ(Cell(model, 9), "T10");
  EXPECT_EQ(Cell(model, 9, 1), "2");

  FetchAll(model);
  EXPECT_EQ(model.rowCount(), 100);
  EXPECT_TRUE(model.AllRowsKnown());
  EXPECT_EQ(model.ChunksRead(), 10);
  EXPECT_EQ(Cell(model, 99), "T100");
  EXPECT_EQ(model.data(model.index(100, 0)), QVariant());
}

TEST_F(ModelTest, ReadingPutsTheCursorBack) {
  ds->MoveBy(4);
  FetchAll(model);
  EXPECT_EQ(Type(*ds), "T5");
  // Reading a chunk again, far from the cursor, leaves it where it was too.
  model.SetChunkRows(7);
  FetchAll(model);
  EXPECT_EQ(Cell(model, 50), "T51");
  EXPECT_EQ(Type(*ds), "T5");
}

TEST_F(ModelTest, OnlyAFewChunksStayInMemory) {
  Use(MakeDevices(400));
  FetchAll(model);
  ASSERT_EQ(model.rowCount(), 400);
  const int read = model.ChunksRead();  // 40 chunks; the last 16 are kept
  EXPECT_EQ(Cell(model, 399), "T400");
  EXPECT_EQ(model.ChunksRead(), read);
  EXPECT_EQ(Cell(model, 3), "T4");  // dropped long ago: read again
  EXPECT_EQ(model.ChunksRead(), read + 1);
  EXPECT_EQ(Cell(model, 7), "T8");
  EXPECT_EQ(model.ChunksRead(), read + 1);
}

TEST_F(ModelTest, AViewReadsOnlyWhatItShows) {
  Use(MakeDevices(1000));
  QTableView view;
  view.setModel(&model);
  view.resize(300, 200);
  view.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
  QCoreApplication::processEvents();
  const int shown = model.rowCount();
  EXPECT_GE(shown, 3);
  EXPECT_LT(shown, 100);
  EXPECT_TRUE(model.canFetchMore({}));
  // Scrolling to the end of what is known asks for more.
  view.scrollToBottom();
  QCoreApplication::processEvents();
  EXPECT_GT(model.rowCount(), shown);
  EXPECT_EQ(Cell(model, model.rowCount() - 1), QString("T%1").arg(model.rowCount()));
}

TEST_F(ModelTest, WrittenFieldsPostsAndFiltersReachTheModel) {
  FetchAll(model);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy changes(&model, &QAbstractItemModel::dataChanged);

  ds->MoveBy(2);
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("typed");
  ASSERT_GE(changes.count(), 1);
  EXPECT_EQ(changes.last().at(0).value<QModelIndex>().row(), 2);
  EXPECT_EQ(Cell(model, 2), "typed");
  EXPECT_EQ(resets.count(), 0);

  ds->Post();
  EXPECT_GE(resets.count(), 1);
  FetchAll(model);
  EXPECT_EQ(Cell(model, 2), "typed");

  ds->OnFilterRecord = [](TDataSet& d, bool& accept) { accept = d.FieldByName("VID").AsInteger() == 2; };
  ds->SetFiltered(true);
  FetchAll(model);
  ASSERT_EQ(model.rowCount(), 50);
  EXPECT_EQ(Cell(model, 0), "T2");
  EXPECT_EQ(Cell(model, 49), "T100");

  ds->Close();
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_FALSE(model.canFetchMore({}));
  ds->Open();
  EXPECT_TRUE(model.canFetchMore({}));
}

TEST_F(ModelTest, AnEditIsNeverPostedByReading) {
  FetchAll(model);
  ds->MoveBy(50);
  model.SetChunkRows(10);  // forget every row
  ds->Edit();
  ds->FieldByName("TYPE").SetAsString("typed");
  EXPECT_FALSE(model.canFetchMore({}));
  model.fetchMore({});
  EXPECT_EQ(Cell(model, 0), "");
  EXPECT_EQ(ds->State(), dsEdit);
  EXPECT_EQ(std::get<std::string>(ds->rows[50].values[0]), "T51");

  ds->Cancel();
  FetchAll(model);
  EXPECT_EQ(model.rowCount(), 100);
  EXPECT_EQ(Cell(model, 50), "T51");
}

TEST_F(ModelTest, OneViewReadingDoesNotMakeAnotherReadAgain) {
  DataSetModel other;
  other.SetChunkRows(10);
  other.SetDataSource(&source);
  FetchAll(other);
  QSignalSpy otherResets(&other, &QAbstractItemModel::modelReset);
  test::RecordingLink control;  // a bound control that is not a view
  control.SetDataSource(&source);

  FetchAll(model);
  EXPECT_EQ(otherResets.count(), 0);
  EXPECT_GT(control.Events(), 0);  // it heard the moves, and the cursor came back
  EXPECT_EQ(Type(*ds), "T1");

  // A move the program makes is news to every view.
  ds->Last();
  EXPECT_EQ(otherResets.count(), 1);
}

TEST_F(ModelTest, GoingToARowMovesTheDataSetAndKeepsTheRows) {
  FetchAll(model);
  DataSetModel other;
  other.SetDataSource(&source);
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy otherResets(&other, &QAbstractItemModel::modelReset);
  model.GotoRow(42);
  EXPECT_EQ(Type(*ds), "T43");
  EXPECT_EQ(model.CurrentRow(), 42);
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(otherResets.count(), 1);
}

TEST_F(ModelTest, KeysAreFoundReadingOnAsFarAsNeeded) {
  model.SetKeyField("TYPE");
  EXPECT_EQ(model.FindKey(std::string("T57")), 56);
  EXPECT_EQ(model.rowCount(), 60);  // read up to the chunk that holds it
  EXPECT_EQ(model.FindKeptKey(std::string("T57")), 56);
  EXPECT_EQ(model.FindKey(std::string("nothing")), -1);
  EXPECT_TRUE(model.AllRowsKnown());
  EXPECT_EQ(model.FindKey(FieldValue()), -1);

  Use(MakeKinds());
  model.SetFieldNames("NAME");
  model.SetKeyField("VID");
  EXPECT_EQ(model.FindKey(std::int64_t{2}), 1);
  EXPECT_EQ(model.FindKey(3.0), 2);                // a number of equal value
  EXPECT_EQ(model.FindKey(std::string("3")), 2);   // the same text
  EXPECT_EQ(model.RowKey(0), FieldValue(std::int64_t{1}));
  EXPECT_TRUE(IsNullValue(model.RowKey(7)));
}

TEST_F(ModelTest, AFailedReadIsReportedOnceAndReadingStops) {
  CollectedErrors errors;
  model.SetFieldNames("TYPE;NOSUCH");
  model.fetchMore({});
  model.fetchMore({});
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_FALSE(model.canFetchMore({}));
  EXPECT_EQ(errors.Shown(), Texts{"Field 'NOSUCH' not found"});
  EXPECT_EQ(Type(*ds), "T1");
}

TEST_F(ModelTest, RowsThatVanishUnannouncedMakeTheModelStartOver) {
  TMemoryDataSet& many = Use(MakeDevices(400));
  FetchAll(model);
  // Another program deletes records: nobody tells the dataset's controls.
  for (int i = 0; i < 10; ++i) many.rows[static_cast<std::size_t>(i)].deleted = true;
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  EXPECT_EQ(Cell(model, 0), "T11");  // the dropped first chunk, read again
  EXPECT_EQ(resets.count(), 0);      // not while answering
  QCoreApplication::processEvents();
  EXPECT_EQ(resets.count(), 1);
  FetchAll(model);
  EXPECT_EQ(model.rowCount(), 390);
}

TEST_F(ModelTest, AnotherOpenDataSetBehindTheSourceIsNoticed) {
  FetchAll(model);
  auto other = MakeDevices(5);
  other->Open();
  source.SetDataSet(other.get());  // both open: the links hear nothing
  EXPECT_EQ(Cell(model, 0), "");   // the old rows are not read from the new dataset
  QCoreApplication::processEvents();
  FetchAll(model);
  EXPECT_EQ(Column(model), (Texts{"T1", "T2", "T3", "T4", "T5"}));
  source.SetDataSet(nullptr);
}

TEST(RowCache, KeepsTheChunksUsedLast) {
  RowCache cache(2, 2);
  auto row = [](QString text) { return CachedRow{{text}, {}, {}}; };
  cache.Store(0, {row("a"), row("b")});
  cache.Store(1, {row("c"), row("d")});
  ASSERT_NE(cache.Find(1), nullptr);  // chunk 0 used last
  cache.Store(2, {row("e")});         // a short last chunk
  EXPECT_EQ(cache.KeptChunks(), 2);
  EXPECT_EQ(cache.Find(2), nullptr);  // chunk 1 went
  EXPECT_EQ(cache.Find(0)->texts[0], "a");
  EXPECT_EQ(cache.Find(4)->texts[0], "e");
  EXPECT_EQ(cache.Find(5), nullptr);
  EXPECT_EQ(cache.Find(-1), nullptr);
}
