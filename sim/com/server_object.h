// Windows only. What every COM object of a simulated server is built on:
// the server of the simulator's core it stands for (whose calls write the
// journal and follow the scenario), its flavour, its reference count, and
// the call that carries a COM method to the core (Forward, arguments.h).
#pragma once

#include <memory>
#include <string_view>
#include <tuple>

#include "automation.h"
#include "host/host_api.h"

namespace sim::com {

// How a server is reached (docs/host-simulator.md): dual, its IDispatch
// served by the type library; vtable only, described by the type library;
// a hand-written IDispatch without type information.
enum class Flavour { kDual, kVtable, kDispatch };

// Objects alive (servers and class factories): the library stays loaded
// while any is.
LONG LiveObjects();
void CountObject(LONG change);

// The COM object of `server`, as interface `iid`: the one alive if there is
// one (so that the same server is the same object), else a new one of
// `flavour`. One reference in *out.
HRESULT ObjectFor(const zeph::ObjectRef& server, Flavour flavour, REFIID iid, void** out);

// The simulated server behind `object`; none for null. False when the
// object is not one of this simulator's.
bool ServerOf(IUnknown* object, zeph::ObjectRef* server);

// Leaves `text` as the thread's error information (IErrorInfo) of a failed
// call on interface `iid`, and returns E_FAIL.
HRESULT Fail(std::u16string_view text, REFIID iid);

// The reference count of a COM object that stands for no server (a class
// factory, the faulty configuration server): the last Release deletes it;
// the library stays loaded while it lives.
template <class Interface>
class Counted : public Interface {
 public:
  Counted() { CountObject(+1); }
  Counted(const Counted&) = delete;
  Counted& operator=(const Counted&) = delete;
  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(::InterlockedIncrement(&references_));
  }
  ULONG STDMETHODCALLTYPE Release() override {
    const LONG left = ::InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

 protected:
  virtual ~Counted() { CountObject(-1); }

 private:
  LONG references_ = 1;  // the maker's
};

class ServerObject {
 public:
  ServerObject(zeph::ObjectRef server, Flavour flavour, REFIID iid);
  virtual ~ServerObject();
  ServerObject(const ServerObject&) = delete;
  ServerObject& operator=(const ServerObject&) = delete;

  const zeph::ObjectRef& server() const { return server_; }
  Flavour flavour() const { return flavour_; }
  // The object's IUnknown, its COM identity.
  virtual IUnknown* Identity() = 0;

 protected:
  ULONG AddReference();
  ULONG ReleaseReference();  // deletes the object at the last
  const IID& iid() const { return iid_; }

  // Calls `method` of the core's server with the COM arguments converted
  // (arguments.h): a failure status becomes the error information of the
  // call; results are written back only when the call succeeded.
  template <class Core, class... CoreArgs, class... ComArgs>
  HRESULT Forward(zeph::HostStatus (Core::*method)(CoreArgs...), ComArgs... args);

 private:
  zeph::ObjectRef server_;
  Flavour flavour_;
  const IID& iid_;
  LONG references_ = 1;  // the maker's
};

}  // namespace sim::com
