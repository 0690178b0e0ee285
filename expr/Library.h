#pragma once
// The built-in function library, one TvxUserDefFunction per function, in the
// order RegisterLibrary enters them into the global function registry.
// Functions fetch their arguments through the call node (GetArg), so a
// function evaluates only the arguments it asks for: IIF evaluates one branch.

#include <string_view>

#include "expr/Node.h"
#include "expr/Registry.h"

namespace talvern {

void RegisterLibrary(TvxFunctionReg& registry);

#define TALVERN_LIBRARY_FUNCTION(Class, Base, Name)                                   \
  class Class : public Base {                                                          \
  public:                                                                              \
    std::string_view FunctionName() const override { return Name; }                   \
    void Execute(TvxExpFunction& node, ExprValue& value, ValueKind& kind) override;    \
  };

// PADC, PADL and PADR: the value's text placed in a field of a length.
class TvxUDFPadMain : public TvxUserDefFunction {
protected:
  enum class Align { Left, Center, Right };
  void Pad(TvxExpFunction& node, ExprValue& value, ValueKind& kind, Align align);
};

TALVERN_LIBRARY_FUNCTION(TvxUDFAbsolute, TvxUserDefFunction, "ABS")
TALVERN_LIBRARY_FUNCTION(TvxUDFAllTrim, TvxUserDefFunction, "ALLTRIM")
TALVERN_LIBRARY_FUNCTION(TvxUDFArcCos, TvxUserDefFunction, "ACOS")
TALVERN_LIBRARY_FUNCTION(TvxUDFArcSin, TvxUserDefFunction, "ASIN")
TALVERN_LIBRARY_FUNCTION(TvxUDFArcTan, TvxUserDefFunction, "ATAN")
TALVERN_LIBRARY_FUNCTION(TvxUDFArcTan2, TvxUserDefFunction, "ATN2")
TALVERN_LIBRARY_FUNCTION(TvxUDFAsc, TvxUserDefFunction, "ASC")
TALVERN_LIBRARY_FUNCTION(TvxUDFAt, TvxUserDefFunction, "AT")
TALVERN_LIBRARY_FUNCTION(TvxUDFAtC, TvxUserDefFunction, "ATC")
TALVERN_LIBRARY_FUNCTION(TvxUDFBetween, TvxUserDefFunction, "BETWEEN")
TALVERN_LIBRARY_FUNCTION(TvxUDFCeiling, TvxUserDefFunction, "CEILING")
TALVERN_LIBRARY_FUNCTION(TvxUDFChr, TvxUserDefFunction, "CHR")
TALVERN_LIBRARY_FUNCTION(TvxUDFCosine, TvxUserDefFunction, "COS")
TALVERN_LIBRARY_FUNCTION(TvxUDFCTOD, TvxUserDefFunction, "CTOD")
TALVERN_LIBRARY_FUNCTION(TvxUDFDate, TvxUserDefFunction, "DATE")
TALVERN_LIBRARY_FUNCTION(TvxUDFDescend, TvxUserDefFunction, "DESCEND")
TALVERN_LIBRARY_FUNCTION(TvxUDFDOW, TvxUserDefFunction, "DOW")
TALVERN_LIBRARY_FUNCTION(TvxUDFDTOC, TvxUserDefFunction, "DTOC")
TALVERN_LIBRARY_FUNCTION(TvxUDFDegToRad, TvxUserDefFunction, "DTOR")
TALVERN_LIBRARY_FUNCTION(TvxUDFDTOS, TvxUserDefFunction, "DTOS")
TALVERN_LIBRARY_FUNCTION(TvxUDFEmpty, TvxUserDefFunction, "EMPTY")
TALVERN_LIBRARY_FUNCTION(TvxUDFFloor, TvxUserDefFunction, "FLOOR")
TALVERN_LIBRARY_FUNCTION(TvxUDFFutureValue, TvxUserDefFunction, "FV")
TALVERN_LIBRARY_FUNCTION(TvxUDFIIF, TvxUserDefFunction, "IIF")
TALVERN_LIBRARY_FUNCTION(TvxUDFInlist, TvxUserDefFunction, "INLIST")
TALVERN_LIBRARY_FUNCTION(TvxUDFInt, TvxUserDefFunction, "INT")
TALVERN_LIBRARY_FUNCTION(TvxUDFLeft, TvxUserDefFunction, "LEFT")
TALVERN_LIBRARY_FUNCTION(TvxUDFLen, TvxUserDefFunction, "LEN")
TALVERN_LIBRARY_FUNCTION(TvxUDFLog, TvxUserDefFunction, "LOG")
TALVERN_LIBRARY_FUNCTION(TvxUDFLog10, TvxUserDefFunction, "LOG10")
TALVERN_LIBRARY_FUNCTION(TvxUDFLower, TvxUserDefFunction, "LOWER")
TALVERN_LIBRARY_FUNCTION(TvxUDFLTrim, TvxUserDefFunction, "LTRIM")
TALVERN_LIBRARY_FUNCTION(TvxUDFMax, TvxUserDefFunction, "MAX")
TALVERN_LIBRARY_FUNCTION(TvxUDFMin, TvxUserDefFunction, "MIN")
TALVERN_LIBRARY_FUNCTION(TvxUDFMod, TvxUserDefFunction, "MOD")
TALVERN_LIBRARY_FUNCTION(TvxUDFPadC, TvxUDFPadMain, "PADC")
TALVERN_LIBRARY_FUNCTION(TvxUDFPadL, TvxUDFPadMain, "PADL")
TALVERN_LIBRARY_FUNCTION(TvxUDFPadR, TvxUDFPadMain, "PADR")
TALVERN_LIBRARY_FUNCTION(TvxUDFPi, TvxUserDefFunction, "PI")
TALVERN_LIBRARY_FUNCTION(TvxUDFPresentValue, TvxUserDefFunction, "PV")
TALVERN_LIBRARY_FUNCTION(TvxUDFProper, TvxUserDefFunction, "PROPER")
TALVERN_LIBRARY_FUNCTION(TvxUDFRight, TvxUserDefFunction, "RIGHT")
TALVERN_LIBRARY_FUNCTION(TvxUDFTrim, TvxUserDefFunction, "TRIM")
// RTRIM is TRIM under another name.
class TvxUDFRTrim : public TvxUDFTrim {
public:
  std::string_view FunctionName() const override { return "RTRIM"; }
};
TALVERN_LIBRARY_FUNCTION(TvxUDFRadToDeg, TvxUserDefFunction, "RTOD")
TALVERN_LIBRARY_FUNCTION(TvxUDFRound, TvxUserDefFunction, "ROUND")
TALVERN_LIBRARY_FUNCTION(TvxUDFSin, TvxUserDefFunction, "SIN")
TALVERN_LIBRARY_FUNCTION(TvxUDFSoundex, TvxUserDefFunction, "SOUNDEX")
TALVERN_LIBRARY_FUNCTION(TvxUDFSpace, TvxUserDefFunction, "SPACE")
TALVERN_LIBRARY_FUNCTION(TvxUDFStr, TvxUserDefFunction, "STR")
TALVERN_LIBRARY_FUNCTION(TvxUDFStrTran, TvxUserDefFunction, "STRTRAN")
TALVERN_LIBRARY_FUNCTION(TvxUDFStrZero, TvxUDFStr, "STRZERO")
TALVERN_LIBRARY_FUNCTION(TvxUDFSubStr, TvxUserDefFunction, "SUBSTR")
TALVERN_LIBRARY_FUNCTION(TvxUDFTan, TvxUserDefFunction, "TAN")
TALVERN_LIBRARY_FUNCTION(TvxUDFUpper, TvxUserDefFunction, "UPPER")
TALVERN_LIBRARY_FUNCTION(TvxUDFVal, TvxUserDefFunction, "VAL")
TALVERN_LIBRARY_FUNCTION(TvxUDFStuff, TvxUserDefFunction, "STUFF")
TALVERN_LIBRARY_FUNCTION(TvxUDFChrtran, TvxUserDefFunction, "CHRTRAN")

#undef TALVERN_LIBRARY_FUNCTION

}  // namespace talvern
