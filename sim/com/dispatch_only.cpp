#include "dispatch_only.h"

#include <wrl/client.h>

#include <vector>

#include "type_library.h"

namespace sim::com {
namespace {

using Microsoft::WRL::ComPtr;

// A parameter as the method declares it.
struct Declared {
  VARTYPE type;  // of the value, pointer taken away
  bool by_reference;
  bool in;
  bool result;
};

Declared DeclaredOf(const ELEMDESC& element) {
  const TYPEDESC* type = &element.tdesc;
  const bool by_reference = type->vt == VT_PTR;
  if (by_reference) type = type->lptdesc;
  const USHORT flags = element.paramdesc.wParamFlags;
  return {type->vt, by_reference, (flags & PARAMFLAG_FIN) != 0 || (flags & PARAMFLAG_FOUT) == 0,
          (flags & PARAMFLAG_FRETVAL) != 0};
}

// VARIANTs cleared when the holder goes.
class Values {
 public:
  // Empty, with nothing left over in them for a value the method fails to
  // write.
  explicit Values(size_t count) : values_(count, VARIANT{}) {}
  ~Values() {
    for (VARIANT& value : values_) ::VariantClear(&value);
  }
  Values(const Values&) = delete;
  Values& operator=(const Values&) = delete;
  VARIANT& operator[](size_t i) { return values_[i]; }

 private:
  std::vector<VARIANT> values_;
};

const VARIANT& Dereferenced(const VARIANT& value) {
  return value.vt == (VT_BYREF | VT_VARIANT) && value.pvarVal != nullptr ? *value.pvarVal : value;
}

bool IsNothing(const VARIANT& value) {
  const VARIANT& v = Dereferenced(value);
  return v.vt == VT_EMPTY || v.vt == VT_NULL ||
         ((v.vt == VT_DISPATCH || v.vt == VT_UNKNOWN) && v.punkVal == nullptr);
}

// An object handed out goes as IDispatch where it has one, as a late-bound
// caller can use nothing else.
void AsDispatch(VARIANT& value) {
  if (value.vt != VT_UNKNOWN || value.punkVal == nullptr) return;
  IDispatch* dispatch = nullptr;
  if (FAILED(value.punkVal->QueryInterface(IID_PPV_ARGS(&dispatch)))) return;
  value.punkVal->Release();
  value.vt = VT_DISPATCH;
  value.pdispVal = dispatch;
}

// Moves `value` (of the declared type) to where a by-reference argument
// points: a VARIANT, or a value of exactly that type, whose old content is
// given up.
void Deliver(VARIANT& value, const VARIANT& argument) {
  if (argument.vt == (VT_BYREF | VT_VARIANT)) {
    AsDispatch(value);
    ::VariantClear(argument.pvarVal);
    *argument.pvarVal = value;
  } else {
    switch (value.vt) {
      case VT_BSTR:
        ::SysFreeString(*argument.pbstrVal);
        *argument.pbstrVal = value.bstrVal;
        break;
      case VT_UNKNOWN:
      case VT_DISPATCH:
        if (*argument.ppunkVal != nullptr) (*argument.ppunkVal)->Release();
        *argument.ppunkVal = value.punkVal;
        break;
      case VT_BOOL:
        *argument.pboolVal = value.boolVal;
        break;
      case VT_I4:
        *argument.plVal = value.lVal;
        break;
      case VT_I8:
        *argument.pllVal = value.llVal;
        break;
      case VT_DATE:
        *argument.pdate = value.date;
        break;
      default:
        ::VariantClear(&value);
        break;
    }
  }
  value.vt = VT_EMPTY;  // moved
}

HRESULT Raise(HRESULT status, EXCEPINFO* exception) {
  ComPtr<IErrorInfo> error;
  // Taken, so that the thread keeps none: the caller learns of the failure
  // from EXCEPINFO only.
  if (::GetErrorInfo(0, &error) != S_OK) error.Reset();
  if (exception != nullptr) {
    *exception = EXCEPINFO{};
    exception->scode = status;
    if (error) {
      error->GetSource(&exception->bstrSource);
      error->GetDescription(&exception->bstrDescription);
    }
  }
  return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT IdsOfNames(ITypeInfo* methods, LPOLESTR* names, UINT count, DISPID* ids) {
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  if (count == 0) return S_OK;
  TYPEATTR* attributes = nullptr;
  HRESULT result = methods->GetTypeAttr(&attributes);
  if (FAILED(result)) return result;
  const UINT functions = attributes->cFuncs;
  methods->ReleaseTypeAttr(attributes);
  for (UINT i = 0; i < functions && ids[0] == DISPID_UNKNOWN; ++i) {
    FUNCDESC* description = nullptr;
    if (FAILED(methods->GetFuncDesc(i, &description))) continue;
    BSTR name = nullptr;
    if (SUCCEEDED(
            methods->GetDocumentation(description->memid, &name, nullptr, nullptr, nullptr)) &&
        ::CompareStringOrdinal(name, -1, names[0], -1, TRUE) == CSTR_EQUAL) {
      ids[0] = description->memid;
    }
    ::SysFreeString(name);
    methods->ReleaseFuncDesc(description);
  }
  // Arguments are not named here.
  return ids[0] != DISPID_UNKNOWN && count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT InvokeByHand(IUnknown* object, ITypeInfo* methods, DISPID id, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                     UINT* argument_error) {
  if ((flags & (DISPATCH_METHOD | DISPATCH_PROPERTYGET)) == 0) return DISP_E_MEMBERNOTFOUND;
  const MethodDescription method(methods, id);
  if (!method) return DISP_E_MEMBERNOTFOUND;
  if (params == nullptr) return E_INVALIDARG;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  const auto count = static_cast<size_t>(method->cParams);
  std::vector<Declared> declared;
  for (size_t i = 0; i < count; ++i) declared.push_back(DeclaredOf(method->lprgelemdescParam[i]));
  const size_t given = method.Arguments();
  if (params->cArgs != given) return DISP_E_BADPARAMCOUNT;

  // The arguments come last one first. Every value the method writes goes
  // to one of ours first, and to the caller once the call succeeded.
  auto argument = [&](size_t i) -> VARIANT& { return params->rgvarg[given - 1 - i]; };
  auto refuse = [&](size_t i) {
    if (argument_error != nullptr) *argument_error = static_cast<UINT>(given - 1 - i);
    return DISP_E_TYPEMISMATCH;
  };
  Values values(count);
  std::vector<VARIANTARG> passed(count);
  std::vector<VARIANTARG*> pointers(count);
  std::vector<VARTYPE> types(count);
  for (size_t i = 0; i < count; ++i) {
    const Declared& d = declared[i];
    VARIANT& value = values[i];
    if (d.by_reference) {
      if (!d.result) {
        VARIANT& target = argument(i);
        if (target.vt != (VT_BYREF | d.type) && target.vt != (VT_BYREF | VT_VARIANT)) {
          return refuse(i);
        }
        if (target.byref == nullptr) return refuse(i);
        if (d.in && FAILED(::VariantChangeType(&value, &target, 0, d.type))) return refuse(i);
      }
      if (d.type != VT_VARIANT && value.vt == VT_EMPTY) value.vt = d.type;
      passed[i].vt = VT_BYREF | d.type;
      passed[i].byref = d.type == VT_VARIANT ? static_cast<void*>(&value) : &value.llVal;
    } else {
      if ((d.type == VT_UNKNOWN || d.type == VT_DISPATCH) && IsNothing(argument(i))) {
        value.vt = d.type;
      } else if (FAILED(::VariantChangeType(&value, &argument(i), 0, d.type))) {
        return refuse(i);
      }
      passed[i] = value;
    }
    pointers[i] = &passed[i];
    types[i] = passed[i].vt;
  }

  VARIANT status;
  ::VariantInit(&status);
  const HRESULT called =
      ::DispCallFunc(object, method->oVft, method->callconv, VT_ERROR, static_cast<UINT>(count),
                     types.data(), pointers.data(), &status);
  if (FAILED(called)) return called;
  if (FAILED(status.scode)) return Raise(status.scode, exception);
  for (size_t i = 0; i < count; ++i) {
    if (declared[i].result) {
      if (result == nullptr) continue;
      AsDispatch(values[i]);
      ::VariantClear(result);
      *result = values[i];
      values[i].vt = VT_EMPTY;  // moved
    } else if (declared[i].by_reference) {
      Deliver(values[i], argument(i));
    }
  }
  return S_OK;
}

}  // namespace sim::com
