#include "host/com/call.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/com/status.h"
#include "host/com/type_library.h"

namespace zeph::com {

// What one server type declares, and how each method the program called on
// it binds: read at the first call on a server of the type.
struct ServerType {
  bool described = false;  // from type information; else names through GetIDsOfNames
  bool vtable = false;     // called through the vtable of `declared.iid`
  DeclaredInterface declared;
  struct Bound {
    std::u16string failure;  // why the method cannot be called
    Binding binding;
    DISPID id = DISPID_UNKNOWN;
    int32_t offset = 0;
  };
  std::map<std::u16string, Bound> bound;  // by the contract's method name
};

namespace {

std::map<std::u16string, std::unique_ptr<ServerType>>& Types() {
  static auto* types = new std::map<std::u16string, std::unique_ptr<ServerType>>;
  return *types;
}

std::u16string Widen(const char* text) {
  return {text, text + std::strlen(text)};
}

// The type of the server, read at its first call: the one its IDispatch
// describes, or none; for a server without IDispatch, the interface its
// type library gives it.
HostStatus TypeFor(ZephObject* server, const char* class_name) {
  if (server->type != nullptr) return HostStatus::Ok();
  Ref<ITypeInfo> info;
  bool vtable = false;
  GUID iid{};
  if (server->dispatch) {
    UINT count = 0;
    if (FAILED(server->dispatch->GetTypeInfoCount(&count)) || count == 0 ||
        FAILED(server->dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, info.out())) ||
        (info && FAILED(InterfaceIdOf(info.get(), &iid)))) {
      info.Reset();  // without type information the class's methods are found by name
    }
  } else {
    info = VtableInterfaceOf(server->identity.get(),
                             server->made_by_program ? &server->clsid : nullptr);
    if (!info || FAILED(InterfaceIdOf(info.get(), &iid))) {
      return HostStatus::Fail(
          u"The server offers neither IDispatch nor an interface described "
          u"by a registered type library");
    }
    vtable = true;
  }
  const std::u16string key =
      !info ? u"class " + Widen(class_name) : (vtable ? u"vtable " : u"dispatch ") + GuidText(iid);
  std::unique_ptr<ServerType>& type = Types()[key];
  if (!type) {
    type = std::make_unique<ServerType>();
    type->vtable = vtable;
    if (info) {
      type->described = SUCCEEDED(ReadInterface(info.get(), &type->declared));
      RememberLibraryOf(info.get());
    }
  }
  if (vtable) {
    Ref<IUnknown> described;
    const HRESULT hr =
        server->identity->QueryInterface(iid, reinterpret_cast<void**>(described.out()));
    if (FAILED(hr)) return HostStatus{static_cast<int32_t>(hr), DescribeHresult(hr)};
    server->vtable = std::move(described);
  }
  server->type = type.get();
  return HostStatus::Ok();
}

const ServerType::Bound& BindMethod(ServerType& type, ZephObject* server,
                                    const ContractMethod& contract) {
  auto found = type.bound.find(contract.name);
  if (found != type.bound.end()) return found->second;
  ServerType::Bound bound;
  auto not_offered = [&](HRESULT hr) {
    return u"The server does not offer " + contract.name + u": " + DescribeHresult(hr);
  };
  if (type.described) {
    const DeclaredMethod* method = type.declared.Find(contract.name);
    if (method == nullptr) {
      bound.failure = not_offered(DISP_E_UNKNOWNNAME);
    } else {
      bound.failure = Bind(contract, *method, &bound.binding);
      bound.id = method->id;
      bound.offset = method->vtable_offset;
    }
  } else {
    std::u16string name = contract.name;
    auto* names = reinterpret_cast<LPOLESTR>(name.data());
    const HRESULT hr =
        server->dispatch->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &bound.id);
    bound.failure = FAILED(hr) ? not_offered(hr)
                               : Bind(contract, ContractDeclaration(contract), &bound.binding);
  }
  return type.bound.emplace(contract.name, std::move(bound)).first->second;
}

// An empty value of the declared type, for the server to fill in.
void Empty(const DeclaredType& type, VARIANT* cell) {
  std::memset(cell, 0, sizeof *cell);
  if (type.vt != VT_VARIANT) cell->vt = type.vt;
}

// A reference to the value in `cell` (a VARIANT * for a VARIANT).
VARIANTARG ByReference(const DeclaredType& type, VARIANT* cell) {
  VARIANTARG reference{};
  if (type.vt == VT_VARIANT) {
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = cell;
  } else {
    reference.vt = static_cast<VARTYPE>(VT_BYREF | type.vt);
    reference.byref = &cell->llVal;  // every value starts there
  }
  return reference;
}

IUnknown* InterfaceIn(const VARIANT& value) {
  return value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH ? value.punkVal : nullptr;
}

// The program's value as the declared type.
HRESULT ToDeclared(VARIANT& value, const DeclaredType& type, VARIANT* cell) {
  if (type.vt == VT_VARIANT) return ::VariantCopy(cell, &value);
  if (type.vt == VT_UNKNOWN || type.vt == VT_DISPATCH) {
    if (value.vt != VT_UNKNOWN && value.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    IUnknown* object = InterfaceIn(value);
    Empty(type, cell);
    if (object == nullptr) return S_OK;
    GUID iid = type.vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown;
    if (type.IsNamedInterface()) std::memcpy(&iid, type.iid.data(), sizeof iid);
    return object->QueryInterface(iid, reinterpret_cast<void**>(&cell->punkVal));
  }
  return ::VariantChangeType(cell, &value, 0, type.vt);
}

// A value the server gave back as the program's type. Servers come back as
// VT_UNKNOWN (VT_EMPTY for none).
HRESULT ToProgram(VARIANT& value, uint16_t natural, VARIANT* out) {
  OwnedVariant direct;
  HRESULT hr = ::VariantCopyInd(direct.get(), &value);
  if (FAILED(hr)) return hr;
  const VARIANT& v = *direct;
  if (natural == VT_VARIANT) return ::VariantCopy(out, direct.get());
  if (natural == VT_DISPATCH) {
    if (v.vt == VT_EMPTY || v.vt == VT_NULL) return S_OK;
    if (v.vt != VT_UNKNOWN && v.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
    if (v.punkVal == nullptr) return S_OK;
    out->vt = VT_UNKNOWN;
    out->punkVal = v.punkVal;
    out->punkVal->AddRef();
    return S_OK;
  }
  return ::VariantChangeType(out, direct.get(), 0, natural);
}

std::string TypeOfValue(const VARIANT& value) {
  std::string name = VarTypeName(value.vt & VT_TYPEMASK);
  return (value.vt & VT_BYREF) != 0 ? name + " by reference" : name;
}

// The failure of a call through the vtable: the server's error information
// when it left some, else the system's text for the HRESULT.
HostStatus VtableFailure(HRESULT hr) {
  Ref<IErrorInfo> info;
  Bstr description;
  if (::GetErrorInfo(0, info.out()) == S_OK && info &&
      SUCCEEDED(info->GetDescription(description.out())) && description.get() != nullptr) {
    return {static_cast<int32_t>(hr), FromBstr(description.get())};
  }
  return {static_cast<int32_t>(hr), DescribeHresult(hr)};
}

}  // namespace

HostStatus CallMethod(ZephObject* server, const char* class_name, const ContractMethod& contract,
                      OwnedVariant* in, OwnedVariant* out) {
  if (server == nullptr) return HostStatus::Fail(u"Invalid object");
  HostStatus status = TypeFor(server, class_name);
  if (status.Failed()) return status;
  ServerType& type = *server->type;
  const ServerType::Bound& bound = BindMethod(type, server, contract);
  if (!bound.failure.empty()) return HostStatus::Fail(bound.failure);
  const Binding& binding = bound.binding;
  const std::u16string& name = contract.name;

  // One cell per argument and one for the result, each holding its value
  // in the declared type.
  const size_t count = contract.arguments.size();
  std::unique_ptr<OwnedVariant[]> cells(new OwnedVariant[count + 1]);
  std::vector<VARIANTARG> passed;
  for (size_t i = 0; i < count; ++i) {
    const ContractParam& mine = contract.arguments[i];
    const DeclaredType& declared = binding.arguments[i];
    VARIANT* cell = cells[i].get();
    if (mine.direction == Direction::kOut) {
      Empty(declared, cell);
    } else if (FAILED(ToDeclared(*in[i].get(), declared, cell))) {
      return HostStatus::Fail(ConversionFailure(name, static_cast<int>(i) + 1, binding.names[i],
                                                TypeOfValue(*in[i]), TypeName(declared)));
    }
    passed.push_back(declared.by_reference ? ByReference(declared, cell) : *cell);
  }
  VARIANT* result = cells[count].get();
  const bool result_passed =
      binding.result_as_argument && (type.vtable || !binding.result_is_retval);
  if (result_passed) {
    Empty(binding.result, result);
    passed.push_back(ByReference(binding.result, result));
  }

  if (type.vtable) {
    std::vector<VARTYPE> types;
    std::vector<VARIANTARG*> arguments;
    for (VARIANTARG& argument : passed) {
      types.push_back(argument.vt);
      arguments.push_back(&argument);
    }
    OwnedVariant returned;
    ::SetErrorInfo(0, nullptr);
    HRESULT hr = ::DispCallFunc(server->vtable.get(), static_cast<ULONG_PTR>(bound.offset),
                                CC_STDCALL, VT_ERROR, static_cast<UINT>(passed.size()),
                                types.data(), arguments.data(), returned.get());
    if (SUCCEEDED(hr)) hr = (*returned).scode;
    if (FAILED(hr)) return VtableFailure(hr);
  } else {
    std::vector<VARIANTARG> reversed(passed.rbegin(), passed.rend());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO exception{};
    UINT argument_error = 0;
    const WORD flags =
        contract.has_result ? DISPATCH_METHOD | DISPATCH_PROPERTYGET : DISPATCH_METHOD;
    const HRESULT hr =
        server->dispatch->Invoke(bound.id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                 result_passed ? nullptr : result, &exception, &argument_error);
    status = StatusOf(hr, &exception);
    if (hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND || hr == DISP_E_BADPARAMCOUNT) {
      status.description = name + u": " + status.description;
    }
    if (status.Failed()) return status;
  }

  // Back to the program's types.
  for (size_t i = 0; i < count; ++i) {
    const ContractParam& mine = contract.arguments[i];
    if (mine.direction == Direction::kIn) continue;
    if (FAILED(ToProgram(*cells[i].get(), mine.natural, out[i].get()))) {
      return HostStatus::Fail(ConversionFailure(name, static_cast<int>(i) + 1, binding.names[i],
                                                TypeOfValue(*cells[i]), VarTypeName(mine.natural)));
    }
  }
  if (contract.has_result && FAILED(ToProgram(*result, contract.result, out[count].get()))) {
    return HostStatus::Fail(
        ConversionFailure(name, 0, u"", TypeOfValue(*result), VarTypeName(contract.result)));
  }
  return HostStatus::Ok();
}

namespace {

MethodReport Report(const ContractMethod& contract, const DeclaredMethod* declaration) {
  MethodReport report;
  report.method = contract.name;
  report.found = declaration != nullptr;
  if (declaration != nullptr) {
    report.declaration = *declaration;
    report.failure = Bind(contract, *declaration, nullptr);
  }
  return report;
}

}  // namespace

HostStatus DescribeMethods(ZephObject* server, const char* class_name,
                           const std::vector<ContractMethod>& methods, bool* described,
                           std::vector<MethodReport>* reports) {
  HostStatus status = TypeFor(server, class_name);
  if (status.Failed()) return status;
  ServerType& type = *server->type;
  *described = type.described;
  for (const ContractMethod& contract : methods) {
    if (type.described) {
      reports->push_back(Report(contract, type.declared.Find(contract.name)));
      continue;
    }
    const DeclaredMethod own = ContractDeclaration(contract);
    MethodReport report = Report(contract, &own);
    report.found = BindMethod(type, server, contract).failure.empty();
    reports->push_back(std::move(report));
  }
  return HostStatus::Ok();
}

HostStatus DescribeNamedInterface(const char* class_name,
                                  const std::vector<ContractMethod>& methods,
                                  std::vector<MethodReport>* reports) {
  const std::u16string name = Widen(class_name);
  Ref<ITypeInfo> info = InterfaceNamedFor(name);
  DeclaredInterface declared;
  if (!info || FAILED(ReadInterface(info.get(), &declared))) {
    return HostStatus::Fail(u"no type library of the servers made names an interface I" + name +
                            u" or a class " + name);
  }
  for (const ContractMethod& contract : methods) {
    reports->push_back(Report(contract, declared.Find(contract.name)));
  }
  return HostStatus::Ok();
}

}  // namespace zeph::com
