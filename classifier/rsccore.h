// The classifier queries in their core-function form: each takes the data
// block and answers as the method of the same name; a null block gives the
// query's failure result (0, -1 for a semantic type, an empty string).
#pragma once

#include "classifier/maprsc.h"
#include "records/semantic.h"

struct IMAGESIZE;

// Size of a text sign from its text parameter record (at least 32 bytes):
// flags, character height, font height (base) and the width of the first
// `length` characters of text (0 or less: all of it). 0 for a null record
// or size, else 1.
int rscGetTextImageSize(TRSCDATA* data, const char* record, const char* text, int length,
                        IMAGESIZE* size);

namespace rsccore_detail {
template <class R, class F>
inline R Call(TRSCDATA* d, R fail, F f) {
  return d ? f(TMapRsc::Of(d)) : fail;
}
}  // namespace rsccore_detail

#define RSC_CORE(R, name, fail, params, call) \
  inline R name params { return rsccore_detail::Call<R>(d, fail, [&](TMapRsc* r) { return r->call; }); }

RSC_CORE(int, rscGetObjCount, 0, (TRSCDATA* d), GetObjCount())
RSC_CORE(int, rscGetSegCount, 0, (TRSCDATA* d), GetSegCount())
RSC_CORE(int, rscGetSemCount, 0, (TRSCDATA* d), GetSemCount())
RSC_CORE(const char*, rscGetObjName, RSC_EMPTY_STRING, (TRSCDATA* d, int n), GetObjName(n))
RSC_CORE(const char*, rscGetObjKey, RSC_EMPTY_STRING, (TRSCDATA* d, int n), GetObjKey(n))
RSC_CORE(LONG, rscGetObjExcode, 0, (TRSCDATA* d, int n), GetObjExcode(n))
RSC_CORE(int, rscGetObjLocal, 0, (TRSCDATA* d, int n), GetObjLocal(n))
RSC_CORE(int, rscGetObjSegment, 0, (TRSCDATA* d, int n), GetObjSegment(n))
RSC_CORE(int, rscGetObjExtloc, 0, (TRSCDATA* d, int n), GetObjExtloc(n))
RSC_CORE(int, rscGetObjExtsem, 0, (TRSCDATA* d, int n), GetObjExtsem(n))
RSC_CORE(int, rscGetObjBot, 0, (TRSCDATA* d, int n), GetObjBot(n))
RSC_CORE(int, rscGetObjTop, 15, (TRSCDATA* d, int n), GetObjTop(n))
RSC_CORE(int, rscGetObjScale, 0, (TRSCDATA* d, int n), GetObjScale(n))
RSC_CORE(int, rscGetObjNameSize, 32, (TRSCDATA* d), GetObjNameSize())
RSC_CORE(int, rscGetServObjIncode, 0, (TRSCDATA* d, int local), GetServObjIncode(local))
RSC_CORE(int, rscGetObjKeyIncode, 0, (TRSCDATA* d, const char* key), GetObjKeyIncode(key))
RSC_CORE(LONG, rscGetFrameCodeEx, 0, (TRSCDATA* d), GetFrameCodeEx())
RSC_CORE(int, rscGetObjIncode, 0, (TRSCDATA* d, DWORD excode, int local), GetObjIncode(excode, local))
RSC_CORE(int, rscGetObjIncodeSeria, 0, (TRSCDATA* d, DWORD excode, int local, TObjectSemn semn),
         GetObjIncode(excode, local, semn))
RSC_CORE(int, rscGetObjIncodeSemn, 0, (TRSCDATA* d, DWORD excode, int local, TObjectSemn semn),
         GetObjIncode(excode, local, semn))
RSC_CORE(int, rscGetObjMustSemCount, 0, (TRSCDATA* d, int n), GetObjMustSemCount(n))
RSC_CORE(DWORD, rscGetObjMustSem, 0, (TRSCDATA* d, int n, int i), GetObjMustSem(n, i))
RSC_CORE(int, rscGetObjPosSemCount, 0, (TRSCDATA* d, int n), GetObjPosSemCount(n))
RSC_CORE(DWORD, rscGetObjPosSem, 0, (TRSCDATA* d, int n, int i), GetObjPosSem(n, i))
RSC_CORE(int, rscGetObjLimSemCount, 0, (TRSCDATA* d, int n), GetObjLimSemCount(n))
RSC_CORE(DWORD, rscGetObjLimSem, 0, (TRSCDATA* d, int n, int which), GetObjLimSem(n, which))
RSC_CORE(int, rscGetObjCanSem, 0, (TRSCDATA* d, int n, DWORD code), GetObjCanSem(n, code))
RSC_CORE(int, rscGetDefValueSemantic, 0, (TRSCDATA* d, int n, DWORD code, char* text, int size),
         GetDefValueSemantic(n, code, text, size))
RSC_CORE(int, rscGetSemType, -1, (TRSCDATA* d, DWORD code), GetSemType(code))
RSC_CORE(int, rscGetSemReply, 0, (TRSCDATA* d, LONG code), GetSemReply(code))
RSC_CORE(const char*, rscGetSemName, RSC_EMPTY_STRING, (TRSCDATA* d, DWORD code), GetSemName(code))
RSC_CORE(const char*, rscGetSemUnit, RSC_EMPTY_STRING, (TRSCDATA* d, DWORD code), GetSemUnit(code))
RSC_CORE(int, rscGetSemValuePoleDecimal, 0, (TRSCDATA* d, DWORD code), GetSemValuePoleDecimal(code))
RSC_CORE(const char*, rscGetSemValueName, RSC_EMPTY_STRING, (TRSCDATA* d, DWORD code, LONG value),
         GetSemValueName(code, value))
RSC_CORE(int, rscGetClassificatorCount, 0, (TRSCDATA* d, DWORD code), GetClassificatorCount(code))
RSC_CORE(LONG, rscGetClassificatorValue, 0, (TRSCDATA* d, DWORD code, int i), GetClassificatorValue(code, i))
RSC_CORE(const char*, rscGetClassificatorName, RSC_EMPTY_STRING, (TRSCDATA* d, DWORD code, int i),
         GetClassificatorName(code, i))
RSC_CORE(int, rscSemanticDescribeEx, 0, (TRSCDATA* d, RSCSEMANTICEX* desc, DWORD code, int n),
         SemanticDescribeEx(desc, code, n))
RSC_CORE(int, rscGetElementbyName, 0, (TRSCDATA* d, const char* name, int mode), GetElementbyName(name, mode))
RSC_CORE(const char*, rscGetSegName, RSC_EMPTY_STRING, (TRSCDATA* d, int s), GetSegName(s))
RSC_CORE(const char*, rscGetSegShortName, RSC_EMPTY_STRING, (TRSCDATA* d, int s), GetSegShortName(s))
RSC_CORE(int, rscGetSegNameSize, 31, (TRSCDATA* d), GetSegNameSize())
RSC_CORE(int, rscGetSegment, 0, (TRSCDATA* d, RSCSEGMENT* segment, int s), GetSegment(s, segment))
RSC_CORE(LONG, rscGetScaleItem, 0, (TRSCDATA* d, int i), GetScaleItem(i))
RSC_CORE(DWORD*, rscGetRscPalette, nullptr, (TRSCDATA* d, int c), GetRscPalette(c))
RSC_CORE(int, rscGetRscColorCount, 0, (TRSCDATA* d), GetRscColorCount())
RSC_CORE(VIEPAR*, rscGetTabPar, nullptr, (TRSCDATA* d, int n), GetTabPar(n))
RSC_CORE(VIEPAR*, rscGetTabPrn, nullptr, (TRSCDATA* d, int n), GetTabPrn(n))
RSC_CORE(int, rscGetImageSize, 0, (TRSCDATA* d, int n, IMAGESIZE* size, int kind, const char* text),
         GetImageSize(n, size, kind, text))

#undef RSC_CORE

inline const char* rscGetLocalName(int local, int language) { return TMapRsc::GetLocalName(local, language); }
inline int rscGetLocalCount() { return TMapRsc::GetLocalCount(); }
inline int rscGetLocalNameSize() { return TMapRsc::GetLocalNameSize(); }
