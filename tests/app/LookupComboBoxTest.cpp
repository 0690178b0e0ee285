// The drop-down lookup list: its value is the key of the chosen record, the
// user's choice raises Click, the program's does not, and the value outlives
// changes of the list.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QTest>

#include "ViewFixture.h"
#include "app/LookupComboBox.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

// Kinds 1 "Diodes" and 2 "Zener diodes" of group 1, 3 "Transistors" of group 2.
struct LookupTest : ::testing::Test {
  std::unique_ptr<TMemoryDataSet> kinds = MakeKinds();
  TDataSource source{kinds.get()};
  LookupComboBox box;
  QSignalSpy clicks{&box, &LookupComboBox::Click};

  LookupTest() {
    kinds->Open();
    box.SetKeyField("VID");
    box.SetListField("NAME");
    box.SetListSource(&source);
    box.resize(200, box.sizeHint().height());
    box.show();
    [[maybe_unused]] bool exposed = QTest::qWaitForWindowExposed(&box);
  }
  void Key(Qt::Key key) { QTest::keyClick(&box, key); }
  // Drops the list down, goes to a row and takes it with Enter, as the user
  // picks one.
  void Pick(int row) {
    box.showPopup();
    QAbstractItemView* list = box.view();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list->window()));
    list->setCurrentIndex(list->model()->index(row, 0));
    QTest::keyClick(list, Qt::Key_Enter);
    QCoreApplication::processEvents();
    EXPECT_FALSE(list->window()->isVisible());
  }
  void GroupFilter(int group) {
    kinds->OnFilterRecord = [group](TDataSet& d, bool& accept) {
      accept = d.FieldByName("GROUP").AsInteger() == group;
    };
    kinds->SetFiltered(true);
  }
};

const FieldValue kNone;
FieldValue Kind(std::int64_t vid) { return vid; }

}  // namespace

TEST_F(LookupTest, StartsWithNoValueAndShowsNothing) {
  EXPECT_FALSE(box.HasValue());
  EXPECT_EQ(box.KeyValue(), kNone);
  EXPECT_EQ(box.currentIndex(), -1);
  EXPECT_EQ(box.currentText(), "");
  box.SetDropDownCount(15);
  EXPECT_EQ(box.DropDownCount(), 15);
  EXPECT_EQ(box.maxVisibleItems(), 15);
}

TEST_F(LookupTest, TheProgramSetsTheValueWithoutAClick) {
  box.SetKeyValue(Kind(2));
  EXPECT_EQ(box.KeyValue(), Kind(2));
  EXPECT_EQ(box.currentText(), "Zener diodes");
  box.SetKeyValue(kNone);
  EXPECT_FALSE(box.HasValue());
  EXPECT_EQ(box.currentText(), "");
  // A key the list does not hold is kept, and nothing is shown.
  box.SetKeyValue(Kind(99));
  EXPECT_EQ(box.KeyValue(), Kind(99));
  EXPECT_EQ(box.currentIndex(), -1);
  QCoreApplication::processEvents();
  EXPECT_EQ(clicks.count(), 0);
}

TEST_F(LookupTest, TheUsersChoiceSetsTheValueAndClicks) {
  box.setFocus();
  Key(Qt::Key_Down);
  EXPECT_EQ(clicks.count(), 1);
  EXPECT_EQ(box.KeyValue(), Kind(1));
  Key(Qt::Key_Down);
  EXPECT_EQ(clicks.count(), 2);
  EXPECT_EQ(box.KeyValue(), Kind(2));

  Pick(2);
  EXPECT_EQ(clicks.count(), 3);
  EXPECT_EQ(box.KeyValue(), Kind(3));
  EXPECT_EQ(box.currentText(), "Transistors");
  Pick(2);  // the same row again is a choice too
  EXPECT_EQ(clicks.count(), 4);
  EXPECT_EQ(box.KeyValue(), Kind(3));
}

TEST_F(LookupTest, ADisabledListTakesNoChoice) {
  box.setEnabled(false);
  Key(Qt::Key_Down);
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_FALSE(box.HasValue());
}

TEST_F(LookupTest, TheValueOutlivesChangesOfTheList) {
  box.SetKeyValue(Kind(3));
  GroupFilter(1);
  QCoreApplication::processEvents();
  EXPECT_EQ(box.KeyValue(), Kind(3));
  EXPECT_EQ(box.currentIndex(), -1);
  box.SetKeyValue(Kind(2));
  EXPECT_EQ(box.currentText(), "Zener diodes");
  GroupFilter(2);
  box.SetKeyValue(Kind(3));
  EXPECT_EQ(box.currentText(), "Transistors");
  kinds->SetFiltered(false);
  QCoreApplication::processEvents();
  EXPECT_EQ(box.currentText(), "Transistors");
  kinds->Close();
  EXPECT_EQ(box.currentIndex(), -1);
  kinds->Open();
  QCoreApplication::processEvents();
  EXPECT_EQ(box.currentText(), "Transistors");
  EXPECT_EQ(clicks.count(), 0);
}

TEST_F(LookupTest, ALongListIsReadAsFarAsTheValueOrTheKeysNeed) {
  auto devices = MakeDevices(300);
  devices->Open();
  TDataSource deviceSource(devices.get());
  LookupComboBox list;
  list.ListModel().SetChunkRows(10);
  list.SetKeyField("TYPE");
  list.SetListField("TYPE");
  list.SetListSource(&deviceSource);
  list.SetKeyValue(std::string("T250"));
  EXPECT_EQ(list.currentText(), "T250");
  EXPECT_EQ(list.count(), 250);
  QSignalSpy listClicks(&list, &LookupComboBox::Click);
  QTest::keyClick(&list, Qt::Key_End);
  EXPECT_EQ(list.currentText(), "T300");
  EXPECT_EQ(list.KeyValue(), FieldValue(std::string("T300")));
  EXPECT_EQ(listClicks.count(), 1);
}
