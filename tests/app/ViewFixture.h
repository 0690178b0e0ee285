#pragma once
// What the tests of the Qt adapters share: the dataset tests' in-memory
// dataset and its small tables, reading a model's cells, and collecting what
// the general error handler would show.

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QString>
#include <string>
#include <vector>

#include "app/Application.h"
#include "dataset/DataSetTestKit.h"

namespace talvern::testing {

using test::MakeDevices;
using test::MakeKinds;
using test::TMemoryDataSet;
using test::Type;

inline QString Cell(const QAbstractItemModel& model, int row, int column = 0) {
  return model.data(model.index(row, column)).toString();
}

// Reads on until the model knows every row.
inline void FetchAll(QAbstractItemModel& model) {
  while (model.canFetchMore(QModelIndex())) model.fetchMore(QModelIndex());
}

inline std::vector<QString> Column(const QAbstractItemModel& model, int column = 0) {
  std::vector<QString> texts;
  for (int row = 0; row < model.rowCount(); ++row) texts.push_back(Cell(model, row, column));
  return texts;
}

// An error no test expected: the test that caused it fails.
inline void UnexpectedError(const QString& message) { ADD_FAILURE() << "error shown: " << message.toStdString(); }

// Messages that reach the general error handler while it lives, instead of
// message boxes. Shown() lets the handler's queue run first.
class CollectedErrors {
public:
  CollectedErrors() {
    Handler().SetPresenter([this](const QString& message) { messages_.push_back(message); });
  }
  ~CollectedErrors() { Handler().SetPresenter(UnexpectedError); }
  CollectedErrors(const CollectedErrors&) = delete;
  CollectedErrors& operator=(const CollectedErrors&) = delete;

  const std::vector<QString>& Shown() {
    QCoreApplication::processEvents();
    return messages_;
  }

private:
  static ErrorHandler& Handler() {
    return dynamic_cast<TalvernApplication&>(*QCoreApplication::instance()).Errors();
  }
  std::vector<QString> messages_;
};

}  // namespace talvern::testing
