// How one host method is called on an automation server: the program's
// arguments and result (the contract) matched against the method as the
// server's type library declares it. No system calls here: the same rules
// hold whatever the platform, and they are tested as plain functions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zeph::com {

// Automation type numbers (VARTYPE), as type libraries and VARIANTs carry
// them.
enum VarType : uint16_t {
  kVtEmpty = 0,
  kVtNull = 1,
  kVtI2 = 2,
  kVtI4 = 3,
  kVtR4 = 4,
  kVtR8 = 5,
  kVtCy = 6,
  kVtDate = 7,
  kVtBstr = 8,
  kVtDispatch = 9,
  kVtError = 10,
  kVtBool = 11,
  kVtVariant = 12,
  kVtUnknown = 13,
  kVtDecimal = 14,
  kVtI1 = 16,
  kVtUi1 = 17,
  kVtUi2 = 18,
  kVtUi4 = 19,
  kVtI8 = 20,
  kVtUi8 = 21,
  kVtInt = 22,
  kVtUint = 23,
  kVtVoid = 24,
  kVtHresult = 25,
  kVtPtr = 26,
  kVtSafeArray = 27,
  kVtCArray = 28,
  kVtUserDefined = 29,
  kVtLpStr = 30,
  kVtLpWStr = 31,
};

// "VT_BSTR", "VT_I4"; a number for a type without a name here.
std::string VarTypeName(uint16_t vt);

// A type as the server declares it. An interface of the server's own
// (IStock*) is kVtUnknown or kVtDispatch with its IID and name.
struct DeclaredType {
  uint16_t vt = kVtVoid;
  bool by_reference = false;      // a pointer to the value: out or in/out
  std::array<uint8_t, 16> iid{};  // a named interface's; zero otherwise
  std::string name;               // a named interface's ("IStock")

  bool IsNamedInterface() const { return !name.empty(); }
};

// "VT_BSTR", "VT_BOOL by reference", "IStock".
std::string TypeName(const DeclaredType& type);

// The program's side of one argument: which way it goes and the type the
// program holds it in (VT_I4, VT_BOOL, VT_DATE, VT_BSTR, VT_DISPATCH for
// servers and the program's objects, VT_VARIANT, VT_I8 for an address).
enum class Direction { kIn, kOut, kInOut };
struct ContractParam {
  Direction direction;
  uint16_t natural;
};

// A host method as the program calls it: its arguments in the interface's
// order and, when it has one, its result (an out-value the server gives
// back as the method's value, not as an argument).
struct ContractMethod {
  std::u16string name;
  std::vector<ContractParam> arguments;
  bool has_result = false;
  uint16_t result = kVtEmpty;  // when has_result
};

// One parameter of a declared method.
struct DeclaredParam {
  std::u16string name;  // may be empty
  DeclaredType type;
  bool out = false;     // [out]
  bool retval = false;  // [out, retval]: the method's value
};

// A method as a type library declares it: the vtable form (an HRESULT and
// a last [out, retval] parameter) or the dispatch form (the value as the
// function's own type) alike.
struct DeclaredMethod {
  std::u16string name;
  int32_t id = 0;             // DISPID
  int32_t vtable_offset = 0;  // bytes into the vtable
  std::vector<DeclaredParam> params;
  DeclaredType returns;  // VT_VOID or VT_HRESULT: no value
};

// How to make the call: the declared type of each of the program's
// arguments and of the result, and whether the value comes back through
// a last pointer argument (vtable calls) instead of as the call's value.
struct Binding {
  std::vector<DeclaredType> arguments;
  bool has_result = false;
  DeclaredType result;
  bool result_as_argument = false;    // passed as one more argument, by reference
  bool result_is_retval = false;      // ... declared [retval]: through Invoke, the call's value
  std::vector<std::u16string> names;  // the arguments' declared names (may be empty)
};

// Matches the contract against the declaration. Returns an empty text when
// every argument and the result find a conversion; otherwise the reason,
// naming the method, the parameter and both types.
std::u16string Bind(const ContractMethod& contract, const DeclaredMethod& declared,
                    Binding* binding);

// The declaration a server without type information is taken to have:
// the contract's own types, out-values by reference.
DeclaredMethod ContractDeclaration(const ContractMethod& contract);

// "GetModule(classId VT_I4, create VT_BOOL) -> IStock": the parameters
// with their types, the result (a [retval] parameter or the function's
// own type) after the arrow.
std::u16string DeclarationText(const DeclaredMethod& method);

// Whether a value of the program's type `natural` converts to the declared
// type (towards the server) or from it (back to the program).
bool ConvertsTo(uint16_t natural, const DeclaredType& declared);
bool ConvertsFrom(const DeclaredType& declared, uint16_t natural);

// "Login: the result: VT_BSTR does not convert to VT_BOOL";
// "SetServer: parameter 1 (name): VT_BSTR does not convert to VT_DISPATCH".
// `position` 0 is the result.
std::u16string ConversionFailure(std::u16string_view method, int position,
                                 std::u16string_view param_name, const std::string& from,
                                 const std::string& to);

}  // namespace zeph::com
