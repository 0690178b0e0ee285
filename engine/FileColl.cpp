#include "engine/FileColl.h"

#include <cstdlib>

#include "engine/DiskFile.h"

namespace talvern {
namespace {
VXobjFileColl* gFiles = nullptr;
bool gExitHandlerSet = false;
}  // namespace

VXobjFileColl::~VXobjFileColl() { ReleaseAll(); }

VXobjFileColl* VXobjFileColl::Instance(bool create) {
  if (!gFiles && create) {
    gFiles = new VXobjFileColl;
    if (!gExitHandlerSet) {
      std::atexit(&VXobjFileColl::ProgramEnd);
      gExitHandlerSet = true;
    }
  }
  return gFiles;
}

void VXobjFileColl::ProgramEnd() {
  VXobjFileColl* files = gFiles;
  if (!files) return;
  while (files->Count() > 0) {
    auto* file = static_cast<VXO_DiskFile*>(files->At(files->Count() - 1));
    try {
      file->CloseFile();  // releases the lock, closes and unlists the file
    } catch (...) {
      files->items_.pop_back();
    }
  }
  gFiles = nullptr;
  delete files;
}

}  // namespace talvern
