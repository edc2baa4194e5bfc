// The descriptor view: clearing, copying, filling from the classifier and
// the flag bits.
#include <cstring>

#include "classifier/maprsc.h"
#include "objects/objectinfo.h"

void TObjectDesc::Clear() {
  if (Desc != nullptr) std::memset(Desc, 0, sizeof(FVSPR));
}

void TObjectDesc::Load(TObjectDesc other) {
  if (Desc == nullptr || other.Desc == nullptr || other.Desc == Desc) return;
  std::memmove(Desc, other.Desc, sizeof(FVSPR));
}

int TObjectDesc::RegisterDesc(int n, TMapRsc* rsc) {
  if (Desc == nullptr || rsc == nullptr || n < 1 || n > rsc->GetObjCount() || n > 0xFFFF) return 0;
  Desc->Code = static_cast<WORD>(n);
  Desc->Local = static_cast<BYTE>((Desc->Local & 0xF0) | (rsc->GetObjLocal(n) & 0x0F));
  Desc->Segment = static_cast<BYTE>(rsc->GetObjSegment(n));
  const int bot = rsc->GetObjBot(n) & 0x0F;
  const int top = (15 - rsc->GetObjTop(n)) & 0x0F;
  Desc->Scales = static_cast<BYTE>(bot | (top << 4));
  IsBotTop(0);
  Scale(rsc->GetObjScale(n) & 1);
  ExtLoc(rsc->GetObjExtloc(n) & 1);
  return 1;
}

int TObjectDesc::RegisterDesc(LONG code, int local, TMapRsc* rsc, TObjectSemn semn) {
  if (Desc == nullptr || rsc == nullptr) return 0;
  const int n = rsc->GetObjIncode(static_cast<DWORD>(code), local, semn);
  if (n != 0 && RegisterDesc(n, rsc)) return 1;
  // Unknown: the service object of the local type stands for it.
  const int service = rsc->GetServObjIncode(local);
  if (service != 0) RegisterDesc(service, rsc);
  return 0;
}

int TObjectDesc::DatKind(int kind) {
  DatDimension(ObjectKindIs3D(static_cast<DWORD>(kind)) ? 1 : 0);
  return kind;
}

int TObjectDesc::SetBit(BYTE bit, int on) {
  if (Desc == nullptr) return 0;
  if (on)
    Desc->Flags = static_cast<BYTE>(Desc->Flags | bit);
  else
    Desc->Flags = static_cast<BYTE>(Desc->Flags & ~bit);
  return on ? 1 : 0;
}

int TObjectDesc::Top(const int top) {
  if (Desc != nullptr)
    Desc->Scales = static_cast<BYTE>((Desc->Scales & 0x0F) | (((15 - top) & 0x0F) << 4));
  return top;
}

int TObjectDesc::Top() const { return Desc ? 15 - (Desc->Scales >> 4) : 0; }
