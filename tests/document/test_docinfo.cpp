// What the document tells of itself and its main map: names, passports,
// layers, sheet frames, the topographic sheet of a name, and the limits of
// a document without a map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "document/docentries.h"
#include "document/infoentries.h"
#include "support/docfixture.h"
#include "support/docmap.h"

namespace {

class RasterDocument : public doctest::EmptyDocumentTest {};

TEST_F(RasterDocument, HasNoMapName) {
  const std::string raster = dir / "r.rsw";
  ASSERT_EQ(doctest::WriteRaster(raster, 16, 16, 8, doctest::GreyPalette(), 5000, 2000), 1);
  ASSERT_EQ(doc->OpenRst(raster.c_str(), 0), 1);
  const HMAP h = HandleOf(doc);
  EXPECT_EQ(docIsActive(h), 1);
  EXPECT_STREQ(docGetMapName(h), "");
  EXPECT_STREQ(docGetMainName(h), raster.c_str());
  EXPECT_STREQ(docGetMapPath(h), "");
  EXPECT_EQ(docGetMapType(h), 0);
  EXPECT_EQ(docGetMapFrame(h, 2), 0.0);
  EXPECT_EQ(docGetListCount(h), 0);
  char buffer[8] = "xxxxxxx";
  EXPECT_EQ(docGetMapNameEx(h, buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
  // Limits of every kind but the geographic one, which needs a map.
  DFRAME f{};
  for (int kind : {1, 2, 3}) EXPECT_EQ(doc->GetMapLimit(&f, kind), 1) << kind;
  EXPECT_EQ(doc->GetMapLimit(&f, 4), 0);
  EXPECT_EQ(doc->GetMapLimit(&f, 0), 0);
}

class DocumentInfo : public doctest::MapDocumentTest {};

TEST_F(DocumentInfo, NamesPassportsAndLayersOfTheMainMap) {
  const HMAP h = HandleOf(doc);
  EXPECT_STREQ(docGetMapName(h), "Document map");
  char name[5];
  EXPECT_EQ(docGetMapNameEx(h, name, sizeof name), 1);
  EXPECT_STREQ(name, "Docu");
  EXPECT_EQ(docGetMapScale(h), 100000);
  EXPECT_EQ(docGetMapFrame(h, 0), doc->X1());
  EXPECT_EQ(docGetListCount(h), 1);
  EXPECT_EQ(docGetLayerCount(h), 2);  // the classifier's own layer and ours
  EXPECT_STREQ(docGetLayerName(h, 1), "LAYER");
  EXPECT_EQ(docGetLayerNameEx(h, 1, name, sizeof name), 1);
  EXPECT_STREQ(name, "LAYE");
  EXPECT_STREQ(docGetLayerName(h, 9), "");
  // The document's own methods answer the same.
  EXPECT_EQ(doc->GetLayerCount(), 2);
  EXPECT_STREQ(doc->GetLayerName(1), "LAYER");
  EXPECT_STREQ(doc->GetLayerName(9), "");

  MAPREGISTEREX map{};
  LISTREGISTER sheet{};
  ASSERT_EQ(docGetMapInfoEx(h, 1, &map, &sheet), 1);
  EXPECT_EQ(map.Length, 208);
  EXPECT_STREQ(sheet.Nomenclature, "DOC-1");
  EXPECT_EQ(docGetMapInfoEx(h, 2, &map, &sheet), 0);
  MAPREGISTEREX old{};
  ASSERT_EQ(docGetMapInfo(h, 1, &old, &sheet), 1);
  EXPECT_EQ(old.Length, 128);
  EXPECT_EQ(old.Scale, 100000);
  const char* past = reinterpret_cast<const char*>(&old) + 128;
  EXPECT_EQ(std::count(past, past + 80, 0), 80);  // nothing past the 128 bytes
  MAPREGISTEREX byName{};
  LISTREGISTER sheetByName{};
  ASSERT_EQ(docGetMapInfoByName((dir / "map.map").c_str(), 1, &byName, &sheetByName), 1);
  EXPECT_EQ(byName.Length, 128);
  EXPECT_EQ(sheetByName.Length, 544);
  EXPECT_STREQ(sheetByName.Nomenclature, "DOC-1");
  EXPECT_EQ(docGetMapInfoByName((dir / "none.map").c_str(), 1, &byName, &sheetByName), 0);

  // The sheet's frame object is made once, then read.
  TObjectInfo* object = TObjectInfo::NewHandle();
  ASSERT_NE(object, nullptr);
  const HOBJ handle = object->Handle();
  EXPECT_EQ(docGetListFrameObject(h, 0, handle), 0);
  const int before = doc->GetObjectCount(1);
  EXPECT_EQ(docCreateListFrameObject(h, 1, handle), handle);
  EXPECT_EQ(doc->GetObjectCount(1), before + 1);
  EXPECT_EQ(docGetListFrameObject(h, 1, handle), handle);
  EXPECT_EQ(object->ObjectNumber(), doc->GetListFrameNumber(1));
  EXPECT_EQ(doc->GetObjectCount(1), before + 1);
  TObjectInfo::FreeHandle(handle);
}

TEST(DocumentNames, SheetNamesAndTheTopographicSheetOfAName) {
  char lower[] = "0.n-37";
  EXPECT_EQ(docCheckNomenclature(lower, 6, 1, 1000000), 0);
  EXPECT_EQ(docCheckNomenclature(lower, 7, 1, 1000000), 1);
  EXPECT_STREQ(lower, "0.n-37");  // checked in a copy
  EXPECT_EQ(docCheckNomenclature(nullptr, 7, 1, 1000000), 0);
  char out[16];
  EXPECT_EQ(docSetFileNameFromNomenclature("0.N-37-004", 10, out), 0);  // no room
  EXPECT_EQ(docSetFileNameFromNomenclature("0.N-37-004", 16, out), 1);
  EXPECT_STREQ(out, "N37004");
  EXPECT_EQ(CopyToBuffer("abcdef", out, 4), 1);
  EXPECT_STREQ(out, "abc");
  EXPECT_EQ(CopyToBuffer("abc", out, 0), 0);

  MAPREGISTEREX map{};
  map.MapType = 1;
  map.Scale = 100000;
  map.MaterialProjection = 1;
  LISTREGISTER sheet{};
  std::strcpy(sheet.Nomenclature, "0.N-37-004");
  ASSERT_EQ(docCalcTopographicSheet(0, &map, &sheet), 1);
  TMapRegister expected;
  char name[32] = "0.N-37-004";
  ASSERT_EQ(expected.TopographicChartSheetWith(name, 100000, 1, nullptr), 1);
  EXPECT_EQ(sheet.XSouthWest, expected.List.Register.XSouthWest);
  EXPECT_EQ(sheet.LNorthEastCoordinate, expected.List.Register.LNorthEastCoordinate);
  EXPECT_EQ(sheet.MeridianAngle, expected.List.Register.MeridianAngle);
  EXPECT_EQ(map.AxisMeridian, expected.CalcAxisMeridian("0.N-37-004"));
  std::strcpy(sheet.Nomenclature, "no sheet");
  EXPECT_EQ(docCalcTopographicSheet(0, &map, &sheet), 0);
  EXPECT_EQ(docCalcTopographicSheet(0, nullptr, &sheet), 0);
  EXPECT_EQ(docCalcTopographicSheet(12345, &map, &sheet), 0);
}

}  // namespace
