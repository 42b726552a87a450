// How a host method binds to what an automation server declares: results
// as the method's value in either form a type library gives them, out
// arguments by reference, conversions that fit, and the texts that name
// the method, the parameter and both types when none fits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/com/binding.h"
#include "test_support.h"

namespace zeph::com {
namespace {

std::string Narrow(const std::u16string& text) {
  return {text.begin(), text.end()};
}

DeclaredType Type(uint16_t vt, bool by_reference = false) {
  DeclaredType type;
  type.vt = vt;
  type.by_reference = by_reference;
  return type;
}

DeclaredType Interface(const char* name) {
  DeclaredType type = Type(kVtUnknown);
  type.name = name;
  type.iid[0] = 1;
  return type;
}

DeclaredParam In(const char16_t* name, DeclaredType type) {
  return {name, type, false, false};
}
DeclaredParam Out(const char16_t* name, uint16_t vt) {
  return {name, Type(vt, true), true, false};
}
DeclaredParam Retval(uint16_t vt) {
  return {u"value", Type(vt, true), true, true};
}

DeclaredMethod Declared(const char16_t* name, std::vector<DeclaredParam> params,
                        DeclaredType returns = Type(kVtHresult)) {
  DeclaredMethod method;
  method.name = name;
  method.params = std::move(params);
  method.returns = returns;
  return method;
}

const ContractParam kTextIn{Direction::kIn, kVtBstr};
const ContractParam kIntIn{Direction::kIn, kVtI4};
const ContractParam kServerIn{Direction::kIn, kVtDispatch};
const ContractParam kTextOut{Direction::kOut, kVtBstr};
const ContractParam kFlagOut{Direction::kOut, kVtBool};

ContractMethod Contract(const char16_t* name, std::vector<ContractParam> arguments,
                        uint16_t result = kVtEmpty) {
  return {name, std::move(arguments), result != kVtEmpty, result};
}

const ContractMethod kLogin = Contract(u"Login", {}, kVtBool);
const ContractMethod kRegister = Contract(u"RegisterModule", {kIntIn, kServerIn}, kVtI4);
const ContractMethod kPelkex = Contract(u"ExportIssueDocumentsToPelkex", {kTextOut, kFlagOut});
const ContractMethod kParameter = Contract(u"GetParameter", {kTextIn}, kVtVariant);
const ContractMethod kServer = Contract(u"SetServer", {kTextIn});

struct Case {
  std::string name;
  ContractMethod contract;
  DeclaredMethod declared;
  std::string failure;  // empty: binds
  bool result_as_argument = false;
};

class ComBinding : public ::testing::TestWithParam<Case> {};

TEST_P(ComBinding, MatchesTheDeclarationOrNamesWhatDoesNotFit) {
  const Case& c = GetParam();
  Binding binding;
  EXPECT_EQ(Narrow(Bind(c.contract, c.declared, &binding)), c.failure);
  if (c.failure.empty()) {
    EXPECT_EQ(binding.arguments.size(), c.contract.arguments.size());
    EXPECT_EQ(binding.has_result, c.contract.has_result);
    EXPECT_EQ(binding.result_as_argument, c.result_as_argument);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Declarations, ComBinding,
    ::testing::Values(
        // A result: [out, retval] (vtable form), the function's own type
        // (dispatch form), or a last plain out-parameter.
        Case{"retval", kLogin, Declared(u"Login", {Retval(kVtBool)}), "", true},
        Case{"value_of_the_function", kLogin, Declared(u"Login", {}, Type(kVtBool)), "", false},
        Case{"last_out_parameter", kLogin, Declared(u"Login", {Out(u"ok", kVtBool)}), "", true},
        Case{"result_as_integer", kLogin, Declared(u"Login", {}, Type(kVtI2)), "", false},
        Case{"result_as_variant", kParameter,
             Declared(u"GetParameter", {In(u"name", Type(kVtBstr)), Retval(kVtVariant)}), "", true},
        Case{"servers_as_a_named_interface", kRegister,
             Declared(u"RegisterModule",
                      {In(u"id", Type(kVtI2)), In(u"server", Interface("ISetup")), Retval(kVtI4)}),
             "", true},
        Case{"no_result_declared", kLogin, Declared(u"Login", {}),
             "Login: the server declares no result; the program needs VT_BOOL"},
        Case{"result_of_no_fitting_type", kLogin, Declared(u"Login", {}, Type(kVtSafeArray)),
             "Login: the result: VT_SAFEARRAY does not convert to VT_BOOL"},
        Case{"result_an_object_for_a_value", kParameter,
             Declared(u"GetParameter", {In(u"name", Type(kVtBstr)), Retval(kVtDispatch)}),
             "GetParameter: the result: VT_DISPATCH does not convert to VT_VARIANT"},
        // The contract's arguments only, in its order.
        Case{"one_argument_too_many", kRegister,
             Declared(u"RegisterModule",
                      {In(u"id", Type(kVtI4)), In(u"server", Type(kVtDispatch)),
                       In(u"extra", Type(kVtI4))},
                      Type(kVtI4)),
             "RegisterModule: the server declares 3 parameters, the program passes 2"},
        Case{"out_argument_by_value", kPelkex,
             Declared(u"ExportIssueDocumentsToPelkex",
                      {In(u"message", Type(kVtBstr)), Out(u"success", kVtBool)}),
             "ExportIssueDocumentsToPelkex: parameter 1 (message): VT_BSTR does not convert to "
             "VT_BSTR by reference"},
        Case{"out_arguments_swapped", kPelkex,
             Declared(u"ExportIssueDocumentsToPelkex",
                      {Out(u"success", kVtBool), Out(u"message", kVtDispatch)}),
             "ExportIssueDocumentsToPelkex: parameter 2 (message): VT_DISPATCH by reference does "
             "not convert to VT_BOOL"},
        Case{"text_for_a_number", kServer, Declared(u"SetServer", {In(u"name", Type(kVtI4))}),
             "SetServer: parameter 1 (name): VT_BSTR does not convert to VT_I4"},
        Case{"server_for_a_text", kRegister,
             Declared(u"RegisterModule",
                      {In(u"id", Type(kVtI4)), In(u"", Type(kVtBstr)), Retval(kVtI4)}),
             "RegisterModule: parameter 2: VT_DISPATCH does not convert to VT_BSTR"}),
    CaseName());

TEST(ComBindingWithoutTypes, TheContractsOwnTypesBindAsTheyAre) {
  for (const ContractMethod& contract : {kLogin, kRegister, kPelkex, kParameter, kServer}) {
    Binding binding;
    EXPECT_EQ(Narrow(Bind(contract, ContractDeclaration(contract), &binding)), "")
        << Narrow(contract.name);
    // Through Invoke the result is the call's value, never an argument.
    EXPECT_FALSE(binding.result_as_argument) << Narrow(contract.name);
    for (size_t i = 0; i < contract.arguments.size(); ++i) {
      EXPECT_EQ(binding.arguments[i].by_reference,
                contract.arguments[i].direction != Direction::kIn);
    }
  }
}

TEST(ComBindingConversions, NumbersTextsAndServersGoWhereAConversionExists) {
  EXPECT_TRUE(ConvertsTo(kVtBool, Type(kVtI2)));
  EXPECT_TRUE(ConvertsTo(kVtI4, Type(kVtBstr)));
  EXPECT_TRUE(ConvertsTo(kVtDate, Type(kVtR8)));
  EXPECT_FALSE(ConvertsTo(kVtBstr, Type(kVtDate)));  // the program's texts are no dates
  EXPECT_TRUE(ConvertsTo(kVtDispatch, Interface("IStock")));
  EXPECT_FALSE(ConvertsTo(kVtI4, Type(kVtUnknown)));
  EXPECT_TRUE(ConvertsFrom(Type(kVtBstr), kVtBool));  // "True", "-1"
  EXPECT_TRUE(ConvertsFrom(Type(kVtI8), kVtI8));
  EXPECT_FALSE(ConvertsFrom(Type(kVtUnknown), kVtI4));
  EXPECT_FALSE(ConvertsFrom(Type(kVtSafeArray), kVtVariant));
  EXPECT_EQ(TypeName(Interface("IStock")), "IStock");
  EXPECT_EQ(TypeName(Type(kVtBool, true)), "VT_BOOL by reference");
  EXPECT_EQ(VarTypeName(99), "VT 99");
}

}  // namespace
}  // namespace zeph::com
