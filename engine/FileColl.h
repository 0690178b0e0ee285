#pragma once
// VXobjFileColl: the process-wide list of every open engine file, so that
// locks and handles are released when the program ends. It only refers to
// its files; closing a file takes it off the list.

#include "engine/Collection.h"

namespace talvern {

class VXO_DiskFile;

class VXobjFileColl : public TvxCollection {
public:
  ~VXobjFileColl() override;

  // The one instance, created on first use; null after ProgramEnd.
  static VXobjFileColl* Instance(bool create = true);
  // Releases the lock and closes the handle of every file still listed, then
  // frees the collection. Runs at program exit.
  static void ProgramEnd();

protected:
  void FreeItem(TvxObject*) override {}
};

}  // namespace talvern
