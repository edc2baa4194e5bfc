// The exported classes of the coordinate subsystem: every method resolves in
// the shared library, the internal bodies and projection functions stay
// hidden.
#include <dlfcn.h>
#include <gtest/gtest.h>

namespace {

const char* const kExports[] = {
    // TTranslate
    "_ZN10TTranslateC1Ev",
    "_ZN10TTranslateC2Ev",
    "_ZN10TTranslateC1EiP9CONSTPROJi",
    "_ZN10TTranslateC2EiP9CONSTPROJi",
    "_ZN10TTranslateD1Ev",
    "_ZN10TTranslateD2Ev",
    "_ZN10TTranslate13SetProjectionEiP9CONSTPROJi",
    "_ZN10TTranslate13TestConstprojEiP9CONSTPROJ",
    "_ZN10TTranslate5XY2BLEddPdS0_",
    "_ZN10TTranslate5BL2XYEddPdS0_",
    "_ZN10TTranslate12IdentifyZoneEd",
    "_ZN10TTranslate13GetNumberZoneEv",
    "_ZN10TTranslate13SetNumberZoneEi",
    "_ZN10TTranslate13SetNumberZoneEd",
    "_ZN10TTranslate8XY2BL_GKEddPdS0_",
    "_ZN10TTranslate8BL2XY_GKEddPdS0_",
    "_ZN10TTranslate15InitUTMforWGS84Ev",
    "_ZN10TTranslate15InitUTMforNAD27Ev",
    "_ZN10TTranslate7InitUTMEv",
    "_ZN10TTranslate11InitGKfor42Ev",
    "_ZN10TTranslate8InitCK63Ev",
    "_ZN10TTranslate21InitNumberZone_in_IllEd",
    "_ZN10TTranslate23InitNumberZone_in_Ill_lEd",
    "_ZN10TTranslate20GetNumberZone_in_IllEv",
    "_ZN10TTranslate20SetNumberZone_in_IllEi",
    "_ZN10TTranslate35CalcAxisMeridianByNumberZone_in_IllEi",
    // TRadianGrad
    "_ZN11TRadianGrad12RadianToGradEdPiS0_Pd",
    "_ZN11TRadianGrad12GradToRadianEiidi",
    "_ZN11TRadianGrad12GradToRadianEd",
    "_ZN11TRadianGrad12RadianToGradEd",
    "_ZN11TRadianGrad13GradNormalizeEPiS0_Pd",
};

const char* const kHidden[] = {
    "_Z5XY2BLP10TTranslateddPdS1_",
    "_Z13SetProjectionP10TTranslateiP9CONSTPROJi",
    "_Z14FindProjectioni",
    "_Z13FindEllipsoidi",
    "_Z18GaussKrugerForwardRK15GaussKrugerZoneddPdS2_",
};

TEST(ExportsGeodesy, EveryNameResolves) {
  void* lib = dlopen(MC_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(lib, nullptr) << dlerror();
  for (const char* name : kExports) EXPECT_NE(dlsym(lib, name), nullptr) << name;
  for (const char* name : kHidden) EXPECT_EQ(dlsym(lib, name), nullptr) << name;
  dlclose(lib);
}

}  // namespace
