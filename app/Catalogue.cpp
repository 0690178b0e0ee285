#include "app/Catalogue.h"

#include "dataset/DataSet.h"

namespace talvern {

Catalogue::Catalogue(CatalogueWidgets widgets) : widgets_(std::move(widgets)) {}

Catalogue::~Catalogue() = default;

// Each operation below waits for the table dataset (TTalvernDataSet).

void Catalogue::FormCreate() {}

void Catalogue::OpenTable(TDataSet& /*dataSet*/, const std::vector<TTagDef>& /*tags*/) {}

void Catalogue::ResetFields(TDataSet& /*dataSet*/) {}

void Catalogue::CBGroupsClick() {}

void Catalogue::CBVidsClick() {}

void Catalogue::PrepareMain(std::int32_t /*v*/) {}

void Catalogue::MainCalcFields(TDataSet& /*dataSet*/) {}

void Catalogue::Grid1SelectCell(QObject* /*Sender*/, int /*ACol*/, int /*ARow*/) {}

}  // namespace talvern
