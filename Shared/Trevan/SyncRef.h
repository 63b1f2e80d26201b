// A shared reference to one counted SyncObject (an rptr<SyncObject>).
//
// Copies share the object; the last reference to go deletes it, closing its
// handle. Used to hand out completion events that several parties may hold.
#pragma once

#include <refs.h>

#include "SyncObject.h"

namespace Trevan {

class SyncRef {
public:
    // Takes object over.
    explicit SyncRef(SyncObject* object) : shared_(new rptr<SyncObject>(object)) { shared_->AddRef(); }
    SyncRef(const SyncRef& other) : shared_(other.shared_) { shared_->AddRef(); }
    SyncRef& operator=(const SyncRef& other) {
        rptr<SyncObject>* mine = shared_;
        other.shared_->AddRef();
        shared_ = other.shared_;
        mine->Release();
        return *this;
    }
    ~SyncRef() { shared_->Release(); }

    SyncObject* operator->() const { return shared_->get(); }
    SyncObject& operator*() const { return *shared_->get(); }

private:
    rptr<SyncObject>* shared_;
};

}  // namespace Trevan
