#include "host/com/binding.h"

#include <algorithm>

namespace zeph::com {
namespace {

bool IsNumber(uint16_t vt) {
  switch (vt) {
    case kVtI1:
    case kVtI2:
    case kVtI4:
    case kVtI8:
    case kVtUi1:
    case kVtUi2:
    case kVtUi4:
    case kVtUi8:
    case kVtInt:
    case kVtUint:
    case kVtR4:
    case kVtR8:
    case kVtCy:
    case kVtBool:
    case kVtDate:
      return true;
    default:
      return false;
  }
}

bool IsInterface(uint16_t vt) {
  return vt == kVtDispatch || vt == kVtUnknown;
}

bool IsNothing(const DeclaredType& type) {
  return !type.by_reference && (type.vt == kVtVoid || type.vt == kVtHresult);
}

std::u16string Widen(std::string_view text) {
  return {text.begin(), text.end()};
}

}  // namespace

std::string VarTypeName(uint16_t vt) {
  static constexpr const char* kNames[] = {
      "VT_EMPTY",   "VT_NULL",    "VT_I2",      "VT_I4",        "VT_R4",     "VT_R8",
      "VT_CY",      "VT_DATE",    "VT_BSTR",    "VT_DISPATCH",  "VT_ERROR",  "VT_BOOL",
      "VT_VARIANT", "VT_UNKNOWN", "VT_DECIMAL", nullptr,        "VT_I1",     "VT_UI1",
      "VT_UI2",     "VT_UI4",     "VT_I8",      "VT_UI8",       "VT_INT",    "VT_UINT",
      "VT_VOID",    "VT_HRESULT", "VT_PTR",     "VT_SAFEARRAY", "VT_CARRAY", "VT_USERDEFINED",
      "VT_LPSTR",   "VT_LPWSTR"};
  if (vt < std::size(kNames) && kNames[vt] != nullptr) return kNames[vt];
  return "VT " + std::to_string(vt);
}

std::string TypeName(const DeclaredType& type) {
  std::string name = type.IsNamedInterface() ? type.name : VarTypeName(type.vt);
  return type.by_reference ? name + " by reference" : name;
}

bool ConvertsTo(uint16_t natural, const DeclaredType& declared) {
  const uint16_t vt = declared.vt;
  if (vt == kVtVariant) return true;
  if (IsNumber(natural)) return IsNumber(vt) || vt == kVtBstr;
  if (natural == kVtBstr) return vt == kVtBstr;
  if (natural == kVtDispatch) return IsInterface(vt);
  return false;
}

bool ConvertsFrom(const DeclaredType& declared, uint16_t natural) {
  const uint16_t vt = declared.vt;
  if (natural == kVtDispatch) return IsInterface(vt) || vt == kVtVariant;
  if (natural == kVtVariant || IsNumber(natural) || natural == kVtBstr) {
    return IsNumber(vt) || vt == kVtBstr || vt == kVtVariant;
  }
  return false;
}

std::u16string ConversionFailure(std::u16string_view method, int position,
                                 std::u16string_view param_name, const std::string& from,
                                 const std::string& to) {
  std::u16string where =
      position == 0 ? u"the result" : u"parameter " + Widen(std::to_string(position));
  if (position != 0 && !param_name.empty()) where += u" (" + std::u16string(param_name) + u")";
  return std::u16string(method) + u": " + where + u": " + Widen(from) + u" does not convert to " +
         Widen(to);
}

std::u16string DeclarationText(const DeclaredMethod& method) {
  std::u16string text = method.name + u"(";
  std::u16string result;
  bool first = true;
  for (const DeclaredParam& param : method.params) {
    if (param.retval) {
      DeclaredType value = param.type;
      value.by_reference = false;
      result = Widen(TypeName(value));
      continue;
    }
    if (!first) text += u", ";
    first = false;
    if (!param.name.empty()) text += param.name + u" ";
    text += Widen(TypeName(param.type));
  }
  text += u")";
  if (result.empty() && !IsNothing(method.returns)) result = Widen(TypeName(method.returns));
  return result.empty() ? text : text + u" -> " + result;
}

DeclaredMethod ContractDeclaration(const ContractMethod& contract) {
  DeclaredMethod declared;
  declared.name = contract.name;
  for (const ContractParam& p : contract.arguments) {
    DeclaredParam param;
    param.type.vt = p.natural;
    param.type.by_reference = p.direction != Direction::kIn;
    param.out = param.type.by_reference;
    declared.params.push_back(param);
  }
  declared.returns.vt = contract.has_result ? contract.result : uint16_t{kVtVoid};
  return declared;
}

std::u16string Bind(const ContractMethod& contract, const DeclaredMethod& declared,
                    Binding* binding) {
  Binding bound;
  std::vector<DeclaredParam> params = declared.params;
  // The method's value: a last [out, retval] pointer, else the function's
  // own type.
  bool declares_result = false;
  if (!params.empty() && params.back().retval) {
    bound.result = params.back().type;
    bound.result.by_reference = false;
    bound.result_as_argument = true;
    bound.result_is_retval = true;
    params.pop_back();
    declares_result = true;
  } else if (!IsNothing(declared.returns)) {
    bound.result = declared.returns;
    declares_result = true;
  }
  const size_t passed = contract.arguments.size();
  // A server that gives the value back through a last plain out-parameter
  // is taken at its word too.
  if (contract.has_result && !declares_result && params.size() == passed + 1 &&
      params.back().type.by_reference) {
    bound.result = params.back().type;
    bound.result.by_reference = false;
    bound.result_as_argument = true;
    params.pop_back();
    declares_result = true;
  }
  const std::u16string& name = contract.name;
  if (params.size() != passed) {
    return name + u": the server declares " + Widen(std::to_string(params.size())) +
           u" parameters, the program passes " + Widen(std::to_string(passed));
  }
  for (size_t i = 0; i < passed; ++i) {
    const ContractParam& mine = contract.arguments[i];
    const DeclaredParam& theirs = params[i];
    const int position = static_cast<int>(i) + 1;
    const std::string program = VarTypeName(mine.natural);
    if (mine.direction != Direction::kIn && !theirs.type.by_reference) {
      return ConversionFailure(name, position, theirs.name, TypeName(theirs.type),
                               program + " by reference");
    }
    if (mine.direction != Direction::kOut && !ConvertsTo(mine.natural, theirs.type)) {
      return ConversionFailure(name, position, theirs.name, program, TypeName(theirs.type));
    }
    if (mine.direction != Direction::kIn && !ConvertsFrom(theirs.type, mine.natural)) {
      return ConversionFailure(name, position, theirs.name, TypeName(theirs.type), program);
    }
    bound.arguments.push_back(theirs.type);
    bound.names.push_back(theirs.name);
  }
  if (contract.has_result) {
    if (!declares_result) {
      return name + u": the server declares no result; the program needs " +
             Widen(VarTypeName(contract.result));
    }
    if (!ConvertsFrom(bound.result, contract.result)) {
      return ConversionFailure(name, 0, u"", TypeName(bound.result), VarTypeName(contract.result));
    }
    bound.has_result = true;
  }
  if (binding != nullptr) *binding = std::move(bound);
  return {};
}

}  // namespace zeph::com
