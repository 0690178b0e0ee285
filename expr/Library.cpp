#include "expr/Library.h"

#include <memory>

namespace talvern {

namespace {
template <class... Functions>
void RegisterAll(TvxFunctionReg& registry) {
  (registry.Register(std::make_unique<Functions>()), ...);
}
}  // namespace

void RegisterLibrary(TvxFunctionReg& registry) {
  RegisterAll<TvxUDFAbsolute, TvxUDFAllTrim, TvxUDFArcCos, TvxUDFArcSin, TvxUDFArcTan,
              TvxUDFArcTan2, TvxUDFAsc, TvxUDFAt, TvxUDFAtC, TvxUDFBetween, TvxUDFCeiling,
              TvxUDFChr, TvxUDFCosine, TvxUDFCTOD, TvxUDFDate, TvxUDFDescend, TvxUDFDOW,
              TvxUDFDTOC, TvxUDFDegToRad, TvxUDFDTOS, TvxUDFEmpty, TvxUDFFloor, TvxUDFFutureValue,
              TvxUDFIIF, TvxUDFInlist, TvxUDFInt, TvxUDFLeft, TvxUDFLen, TvxUDFLog, TvxUDFLog10,
              TvxUDFLower, TvxUDFLTrim, TvxUDFMax, TvxUDFMin, TvxUDFMod, TvxUDFPadC, TvxUDFPadL,
              TvxUDFPadR, TvxUDFPi, TvxUDFPresentValue, TvxUDFProper, TvxUDFRight, TvxUDFRTrim,
              TvxUDFRadToDeg, TvxUDFRound, TvxUDFSin, TvxUDFSoundex, TvxUDFSpace, TvxUDFStr,
              TvxUDFStrTran, TvxUDFStrZero, TvxUDFSubStr, TvxUDFTan, TvxUDFTrim, TvxUDFUpper,
              TvxUDFVal, TvxUDFStuff, TvxUDFChrtran>(registry);
}

}  // namespace talvern
