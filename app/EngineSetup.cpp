#include "app/EngineSetup.h"

#include "dataset/AliasList.h"
#include "engine/Date.h"
#include "engine/FileColl.h"
#include "engine/Translate.h"
#include "expr/Registry.h"

namespace talvern {

void SetUpEngine() {
  static const bool done = [] {
    Translation();
    GlobalVariables();
    GlobalFunctions();
    DBFDate();
    VXobjFileColl::Instance();
    AliasList();
    return true;
  }();
  (void)done;
}

}  // namespace talvern
