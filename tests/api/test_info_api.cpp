// The document's information, the library's version and the painting of
// objects and views through the loaded library: every function of a map
// handle refusing null and foreign handles, the version text of each
// language, and the buffers a host gives filled inside their size.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "api/info_api.h"
#include "api/messages_api.h"
#include "support/apiheaders.h"
#include "support/apilibrary.h"

namespace {

class InfoApi : public apitest::LoadedLibraryTest {};

TEST_F(InfoApi, EveryDocumentFunctionRefusesNullAndForeignHandles) {
  std::vector<apitest::DeclaredFunction> functions =
      apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/info_api.h", "HMAP");
  const size_t info = functions.size();
  for (const auto& f : apitest::DeclaredFunctions(MC_SOURCE_DIR "/api/view_api.h", "HMAP"))
    if (f.name.find("View") != std::string::npos ||
        f.name.find("UserObject") != std::string::npos ||
        f.name.find("MapObject95") != std::string::npos)
      functions.push_back(f);
  EXPECT_GT(functions.size(), info + 10);
  std::vector<uint64_t> foreign(4096, 0x5A5A5A5A5A5A5A5Aull);
  CallWithHandles(functions, {0, reinterpret_cast<intptr_t>(foreign.data())},
                  [](const apitest::DeclaredFunction& f, const Answer& a) {
                    if (f.name == "mapWhatListLayoutIs")
                      EXPECT_EQ(-1, int32_t(a.value));  // the answer for "no map"
                    else
                      ExpectRefusal(f, a);
                  });
}

TEST_F(InfoApi, VersionTextOfTheLanguageAndFixedAnswers) {
  EXPECT_EQ(FN(mapSetMapAccessLanguage)(2), 2);
  EXPECT_EQ(FN(mapGetMapAccessLanguage)(), 2);
  EXPECT_STREQ(FN(mapGetApplicationVersion)(), "Версия 7.70.5b");
  EXPECT_EQ(FN(SetMapAccessLanguage)(7), 7);
  EXPECT_EQ(FN(GetMapAccessLanguage)(), 7);
  EXPECT_STREQ(FN(mapGetApplicationVersion)(), "Version 7.70.5b");
  FN(mapSetMapAccessLanguage)(1);
  EXPECT_EQ(FN(mapGetMapAccessVersion)(), 20020403);
  EXPECT_EQ(FN(GetMapAccessVersion)(), 20020403);
  EXPECT_EQ(FN(mapGetMapApiVersion)(), 0x710);
  EXPECT_EQ(FN(mapGetMapScreenDepth)(), 32);
  EXPECT_EQ(FN(mapTorvekanType)(), 1);
}

TEST_F(InfoApi, BuffersAreFilledInsideTheirSize) {
  FN(mapSetPathShell)("/opt/host/bin/app");
  EXPECT_EQ(FN(mapSetPathShell)(nullptr), 0);  // changes nothing
  EXPECT_STREQ(FN(mapGetPathShell)(), "/opt/host/bin/");
  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  EXPECT_EQ(FN(mapGetPathShellEx)(buffer, 5), 1);
  EXPECT_STREQ(buffer, "/opt");
  EXPECT_EQ(buffer[5], 'x');
  EXPECT_EQ(FN(mapGetPathShellEx)(nullptr, 5), 0);
  EXPECT_EQ(FN(mapGetPathShellEx)(buffer, 0), 0);
  // A name that does not end inside its size is not checked.
  EXPECT_EQ(FN(mapCheckNomenclature)("0.N-37", 6, 1, 1000000), 0);
  EXPECT_EQ(FN(mapCheckNomenclature)("0.N-37", 7, 1, 1000000), 1);
  char out[16];
  EXPECT_EQ(FN(mapSetFileNameFromNomenclature)("0.N-37-004", 10, out), 0);
  EXPECT_EQ(FN(mapSetFileNameFromNomenclature)("0.N-37-004", 16, out), 1);
  EXPECT_STREQ(out, "N37004");
  FN(mapSetPathShell)("");
}

}  // namespace
