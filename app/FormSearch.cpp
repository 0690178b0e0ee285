#include "app/FormSearch.h"

#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "app/Catalogue.h"
#include "app/DataGrid.h"
#include "app/DisplayText.h"
#include "app/ErrorHandler.h"
#include "app/FormSearchFilter.h"
#include "app/LookupComboBox.h"
#include "app/MainForm.h"
#include "app/TxGrid.h"
#include "engine/Errors.h"

namespace talvern {
namespace {

constexpr int kMargin = 8;
constexpr int kEditWidth = 249;
constexpr int kEditHeight = 21;
constexpr int kGridTop = 37;
constexpr int kGridWidth = 505;
constexpr int kGridHeight = 233;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kTypeColumnWidth = 124;
constexpr int kKindColumnWidth = 343;
constexpr char kEnterKey = 13;

QPushButton* AddButton(QWidget* parent, const char* objectName, const char* caption, int left, int top) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(objectName);
  button->setAutoDefault(false);
  button->setGeometry(left, top, kButtonWidth, kButtonHeight);
  return button;
}

}  // namespace

TFormSearch::TFormSearch(TMainForm& mainForm, QWidget* parent) : QDialog(parent), main_(mainForm.Logic().Main()) {
  setObjectName("FormSearch");
  setWindowTitle(QString::fromUtf8("Поиск"));
  setFixedSize(kClientWidth, kClientHeight);

  edit1_ = new QLineEdit(this);
  edit1_->setObjectName("Edit1");
  edit1_->setGeometry(kMargin, kMargin, kEditWidth, kEditHeight);

  dbGrid1_ = new DataGrid(this);
  dbGrid1_->setObjectName("DBGrid1");
  dbGrid1_->setGeometry(kMargin, kGridTop, kGridWidth, kGridHeight);
  dbGrid1_->SetColumns({{"TYPE", QString::fromUtf8("Тип"), kTypeColumnWidth},
                        {"VN", QString::fromUtf8("Вид"), kKindColumnWidth}});
  dbGrid1_->SetDataSource(&mainForm.Logic().DSMain());

  const int buttonTop = kClientHeight - kMargin - kButtonHeight;
  buttonCancel_ = AddButton(this, "ButtonCancel", "Закрыть", kClientWidth - kMargin - kButtonWidth, buttonTop);
  buttonOK_ = AddButton(this, "ButtonOK", "Перейти", buttonCancel_->x() - kMargin - kButtonWidth, buttonTop);
  buttonOK_->setEnabled(main_.Active() && !main_.IsEmpty());

  connect(edit1_, &QLineEdit::textChanged, this, [this] { Edit1Change(); });
  connect(buttonOK_, &QPushButton::clicked, this, &QDialog::accept);
  connect(buttonCancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(dbGrid1_, &DataGrid::DblClick, this, [this] { DBGrid1DblClick(); });
  connect(dbGrid1_, &DataGrid::EnterPressed, this, [this] { DBGrid1KeyPress(kEnterKey); });
  edit1_->setFocus();
}

// Leading blanks go at once, so the text is filtered as it then stands. A
// filter the dataset refuses is reported; "Перейти" follows what Main holds.
void TFormSearch::Edit1Change() {
  if (changing_) return;
  const QString text = edit1_->text();
  qsizetype blanks = 0;
  while (blanks < text.size() && text[blanks] == QLatin1Char(' ')) ++blanks;
  if (blanks > 0) {
    const int cursor = edit1_->cursorPosition();
    changing_ = true;
    edit1_->setText(text.mid(blanks));
    edit1_->setCursorPosition(std::max(0, cursor - static_cast<int>(blanks)));
    changing_ = false;
  }
  RunGuarded([&] {
    const std::string search = QStringToDisplay(edit1_->text());
    main_.SetFilter(search.empty() ? std::string() : SearchFilter(search));
  });
  buttonOK_->setEnabled(main_.Active() && !main_.IsEmpty());
}

void TFormSearch::DBGrid1DblClick() { CloseWithOKWhenFound(); }

void TFormSearch::DBGrid1KeyPress(char key) {
  if (key == kEnterKey) CloseWithOKWhenFound();
}

void TFormSearch::CloseWithOKWhenFound() {
  if (main_.Active() && !main_.IsEmpty()) accept();
}

void TFormSearch::Execute(TMainForm& mainForm) {
  PrepareSearch(mainForm);
  int result = QDialog::Rejected;
  {
    TFormSearch window(mainForm, &mainForm);
    result = window.exec();
  }
  if (result == QDialog::Accepted) GoToChosenDevice(mainForm);
}

void TFormSearch::PrepareSearch(TMainForm& mainForm) {
  Catalogue& catalogue = mainForm.Logic();
  TTalvernDataSet& main = catalogue.Main();
  mainForm.Grid1()->Clear();
  mainForm.CBGroups()->SetKeyValue(FieldValue{});
  mainForm.CBGroupsClick();
  main.Close();
  main.SetFilter({});
  catalogue.Vids().SetFilter({});
  main.OnCalcFields = nullptr;
  mainForm.ResetFields(main);
  main.AddLookupField("VN", ftString, kLookupSize, catalogue.Vids(), "VID", "VID", "NAME");
  main.Open();
}

void TFormSearch::GoToChosenDevice(TMainForm& mainForm) {
  Catalogue& catalogue = mainForm.Logic();
  TTalvernDataSet& main = catalogue.Main();
  const std::int32_t recNo = main.RecNo();
  const std::int32_t kind = main.FieldByName("VID").AsInteger();
  const FieldValue group = catalogue.Vids().Lookup("VID", {std::int64_t{kind}}, "GROUP");
  mainForm.CBGroups()->SetKeyValue(group);
  mainForm.CBGroupsClick();
  // A device of a kind that vids.dbf does not list has no group to go to.
  if (IsNullValue(group)) Raise("Вид приборов %d не найден в списке видов", {std::int64_t{kind}});
  mainForm.CBVids()->SetKeyValue(FieldValue{std::int64_t{kind}});
  mainForm.CBVidsClick();
  mainForm.Grid1()->GotoRecNo(recNo);
  mainForm.Grid1()->setFocus();
}

}  // namespace talvern
