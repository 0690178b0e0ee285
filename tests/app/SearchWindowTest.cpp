// The device search driven through its window on the sample catalogue: the
// filter as typed (upper case, leading blanks gone, trailing blanks kept, a
// double quote searched for), the list with the kinds' names, "Перейти" and
// its double click and Enter, the jump into another group, cancelling.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>
#include <fstream>
#include <set>

#include "CatalogueFixture.h"
#include "ModalDriver.h"
#include "app/DataGrid.h"
#include "app/FormSearch.h"
#include "app/FormSearchFilter.h"

using namespace talvern;
using namespace talvern::testing;

namespace {

// The device types of the sample as its source lists them.
std::vector<QString> SampleTypes() {
  std::ifstream in(std::string(TALVERN_SOURCE_DIR) + "/data/devices.tsv");
  std::vector<QString> types;
  bool header = true;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    if (!header) types.push_back(QString::fromStdString(line.substr(0, line.find('\t'))));
    header = false;
  }
  return types;
}

// The types the list shows, trailing blanks removed.
std::multiset<QString> Listed(TFormSearch& search) {
  DataSetModel& model = search.DBGrid1()->Model();
  FetchAll(model);
  std::multiset<QString> types;
  for (const QString& type : Column(model, 0)) types.insert(QString(type).remove(QRegularExpression(" +$")));
  return types;
}

void DoubleClickRow(DataGrid& grid, int row) {
  QCoreApplication::processEvents();
  const QRect cell = grid.visualRect(grid.model()->index(row, 0));
  QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell.center());
}

struct SearchWindowTest : CatalogueWindowTest {
  void Search(const std::function<void(TFormSearch&)>& act) {
    WithModal<TFormSearch>([&] { form->M_Find()->trigger(); }, act);
  }
};

}  // namespace

TEST(SearchFilter, TheTextInUpperCaseBetweenQuotesAndADoubleQuoteAsALiteralOfItsOwn) {
  EXPECT_EQ(SearchFilter(Ansi("кт3")), Ansi("AT(\"КТ3\",TYPE,1)<>0"));
  EXPECT_EQ(SearchFilter("bc 547 "), "AT(\"BC 547 \",TYPE,1)<>0");
  EXPECT_EQ(SearchFilter("a\"b"), "AT(\"A\"+'\"'+\"B\",TYPE,1)<>0");
  EXPECT_EQ(SearchFilter("\"\""), "AT('\"'+'\"',TYPE,1)<>0");
  EXPECT_EQ(SearchFilter("x'(\"]"), "AT(\"X'(\"+'\"'+\"]\",TYPE,1)<>0");
}

TEST_F(SearchWindowTest, TheListFollowsTheTextTypedAndCancellingLeavesNoGroup) {
  TMainForm& w = OpenWindow();
  ChooseKind(1, 12);
  const std::vector<QString> sample = SampleTypes();
  Search([&](TFormSearch& s) {
    EXPECT_EQ(s.windowTitle(), U("Поиск"));
    EXPECT_EQ(s.size(), QSize(525, 338));
    EXPECT_EQ(s.focusWidget(), s.Edit1());
    EXPECT_EQ(s.ButtonOK()->text(), U("Перейти"));
    EXPECT_EQ(s.ButtonCancel()->text(), U("Закрыть"));
    // Before the first key: every device, "Перейти" enabled.
    EXPECT_TRUE(s.ButtonOK()->isEnabled());
    EXPECT_EQ(Listed(s).size(), sample.size());
    EXPECT_EQ(s.DBGrid1()->model()->headerData(1, Qt::Horizontal).toString(), U("Вид"));

    TypeText(s.Edit1(), U("  2n2222"));
    EXPECT_EQ(s.Edit1()->text(), "2n2222");  // the blanks went as they were typed
    EXPECT_EQ(Main().Filter(), "AT(\"2N2222\",TYPE,1)<>0");
    EXPECT_EQ(Listed(s), (std::multiset<QString>{"2N2222", "2N2222A"}));
    EXPECT_EQ(Cell(s.DBGrid1()->Model(), 0, 1), U("Маломощные высокочастотные"));
    QTest::keyClick(s.Edit1(), Qt::Key_Space);
    EXPECT_EQ(Listed(s), (std::multiset<QString>{"2N2222"}));  // the trailing blank takes part

    TypeText(s.Edit1(), U("x"));
    EXPECT_TRUE(Listed(s).empty());
    EXPECT_FALSE(s.ButtonOK()->isEnabled());
    DoubleClickRow(*s.DBGrid1(), 0);
    QTest::keyClick(s.DBGrid1(), Qt::Key_Return);
    EXPECT_TRUE(s.isVisible());

    TypeText(s.Edit1(), U("\b\b\b\b\b\b\b\bкт3"));
  });
  // Nothing chosen: no group, no kind, an empty grid; Main stays filtered.
  EXPECT_FALSE(w.CBGroups()->HasValue());
  EXPECT_FALSE(w.CBVids()->isEnabled());
  EXPECT_EQ(Grid().RowCount(), 1);
  EXPECT_TRUE(Main().Active());
  EXPECT_EQ(Main().Filter(), Ansi("AT(\"КТ3\",TYPE,1)<>0"));
}

TEST_F(SearchWindowTest, GoingToADeviceOfAnotherGroupSelectsItsGroupKindAndRow) {
  TMainForm& w = OpenWindow();
  Show();
  ChooseKind(1, 12);
  Search([&](TFormSearch& s) {
    TypeText(s.Edit1(), U("1n41"));
    ASSERT_EQ(Listed(s), (std::multiset<QString>{"1N4148"}));
    s.ButtonOK()->click();
  });
  EXPECT_EQ(KeyAsInteger(w.CBGroups()->KeyValue()), 3);
  EXPECT_EQ(KeyAsInteger(w.CBVids()->KeyValue()), 33);
  EXPECT_TRUE(w.CBVids()->isEnabled());
  EXPECT_EQ(RowType(Grid().Row()), "1N4148");
  EXPECT_EQ(w.focusWidget(), &Grid());
  EXPECT_EQ(Main().FindField("VN"), nullptr);  // the kind's own fields again
  EXPECT_NE(w.StatusText().indexOf(U("Рис:")), -1);

  // A double click on a row, and Enter on the row made current, go too.
  Search([&](TFormSearch& s) {
    TypeText(s.Edit1(), U("кт315"));
    DoubleClickRow(*s.DBGrid1(), 2);
  });
  EXPECT_EQ(KeyAsInteger(w.CBVids()->KeyValue()), 12);
  EXPECT_EQ(RowType(Grid().Row()), "КТ315В");
  Search([&](TFormSearch& s) {
    TypeText(s.Edit1(), U("д226"));
    s.DBGrid1()->setFocus();
    QTest::keyClick(s.DBGrid1(), Qt::Key_Down);
    QTest::keyClick(s.DBGrid1(), Qt::Key_Return);
  });
  EXPECT_EQ(RowType(Grid().Row()), "Д226А");
}

// A device of a kind that vids.dbf does not list has no group to go to: the
// main window stays with no group chosen, and says why.
TEST_F(SearchWindowTest, ADeviceOfAnUnlistedKindLeavesNoGroupWithAMessage) {
  TMainForm& w = OpenWindow();
  Main().Append();
  Main().FieldByName("TYPE").SetAsString("ZZ1");
  Main().FieldByName("VID").SetAsInteger(999);
  Main().Post();
  CollectedErrors errors;
  Search([&](TFormSearch& s) {
    TypeText(s.Edit1(), U("zz1"));
    s.ButtonOK()->click();
  });
  EXPECT_EQ(errors.Shown(), std::vector<QString>{U("Вид приборов 999 не найден в списке видов")});
  EXPECT_FALSE(w.CBGroups()->HasValue());
  EXPECT_FALSE(w.CBVids()->isEnabled());
  EXPECT_EQ(Grid().RowCount(), 1);
}

// Fragments of the sample's types in random case, some with a double quote,
// find exactly the types that contain them in upper case; a device whose
// type holds a quote is found by it.
TEST_F(SearchWindowTest, RandomFragmentsFindTheTypesThatContainThem) {
  OpenWindow();
  Main().Append();
  Main().FieldByName("TYPE").SetAsString("AB\"C");
  Main().FieldByName("VID").SetAsInteger(12);
  Main().Post();
  std::vector<QString> types = SampleTypes();
  types.push_back("AB\"C");
  QRandomGenerator random(20261208);
  CollectedErrors errors;
  Search([&](TFormSearch& s) {
    for (int round = 0; round < 24; ++round) {
      const QString& type = types[random.bounded(static_cast<int>(types.size()))];
      const int start = random.bounded(static_cast<int>(type.size()));
      QString fragment = type.mid(start, 1 + random.bounded(4));
      if (random.bounded(2) == 1) fragment = fragment.toLower();
      if (random.bounded(8) == 0) fragment.insert(random.bounded(static_cast<int>(fragment.size()) + 1), '"');
      s.Edit1()->setText(fragment);
      std::multiset<QString> expected;
      for (const QString& t : types)
        if (t.contains(fragment.toUpper())) expected.insert(t);
      EXPECT_EQ(Listed(s), expected) << fragment.toStdString();
      EXPECT_EQ(s.ButtonOK()->isEnabled(), !expected.empty());
    }
    s.Edit1()->setText("b\"c");
    EXPECT_EQ(Listed(s), (std::multiset<QString>{"AB\"C"}));
  });
  EXPECT_TRUE(errors.Shown().empty());
}
