#include "SyncJoint.h"

namespace Trevan {

SyncJoint::SyncJoint(const SyncObject& object, const Event& target, DWORD milliseconds, ULONG flags)
    : WaitCallback(object, milliseconds, flags), target_(target) {
    Register();
}

SyncJoint::~SyncJoint() { Release(); }

void SyncJoint::OnSignal(bool) { target_.Set(); }

}  // namespace Trevan
