#include "support/signrsc.h"

#include <cstring>

#include "classifier/maprsc.h"
#include "classifier/rscformat.h"

namespace rsctest {

bool MakeSignClassifier(const std::string& path, SignClassifier* out) {
  *out = SignClassifier{};
  RSCCREATE desc{};
  std::strcpy(desc.Name, "SIGNS");
  std::strcpy(desc.Type, "TEST");
  desc.Scale = 100000;
  desc.Language = 1;
  {
    TMapRsc rsc;
    if (rsc.CreateRsc(path.c_str(), &desc, nullptr, 0) != 1) return false;
    auto append = [&rsc](DWORD excode, int local) {
      RSCOBJECT d{};
      d.Length = sizeof d;
      d.Excode = excode;
      d.Local = DWORD(local);
      std::strcpy(d.Name, "SIGN");
      return rsc.AppendObjectDefaultView(&d);
    };
    out->bitmapKind = append(1430000, LOCAL_POINT);
    out->vectorKind = append(1490000, LOCAL_VECTOR);
    if (out->bitmapKind < 1 || out->vectorKind < 1) return false;
    if (rsc.GetObjFunction(out->bitmapKind) != PRIM_BITMAP ||
        rsc.GetObjFunction(out->vectorKind) != PRIM_VECTOR)
      return false;
    if (rsc.Save(1) == 0) return false;
  }
  out->bytes = ReadBytes(path);
  out->bitmapAt = ImageParamsAt(out->bytes, out->bitmapKind);
  out->vectorAt = ImageParamsAt(out->bytes, out->vectorKind);
  return out->bitmapAt != 0 && out->vectorAt != 0;
}

size_t ImageParamsAt(const Bytes& file, int n) {
  if (file.size() < sizeof(RSCHEAD)) return 0;
  RSCHEAD head;
  std::memcpy(&head, file.data(), sizeof head);
  const RSCTABLE& par = head.Tables[RSC_PAR];
  if (uint64_t(par.Offset) + par.Length > file.size()) return 0;
  size_t at = par.Offset;
  const size_t end = size_t(par.Offset) + par.Length;
  for (DWORD i = 0; i < par.Count && at + RSC_PAR_HEAD <= end; i++) {
    VIEPAR rec;
    std::memcpy(&rec, file.data() + at, sizeof rec);
    if (rec.Length < DWORD(RSC_PAR_HEAD) || rec.Length > end - at) return 0;
    if (rec.Number == n) return at + RSC_PAR_HEAD;
    at += rec.Length;
  }
  return 0;
}

void DamageBitmapSign(SignClassifier* c) {
  c->bytes[c->bitmapAt + 2] = 0x01;      // length 152 + 65,536
  c->bytes[c->bitmapAt + 4 + 1] = 0x01;  // layers 1 + 256
}

void DamageVectorSign(SignClassifier* c) {
  c->bytes[c->vectorAt + 2] = 0x01;       // length 88 + 65,536
  c->bytes[c->vectorAt + 56 + 3] = 0xFF;  // the first subject's parameters: 8 + 65,280
}

}  // namespace rsctest
