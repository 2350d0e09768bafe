#pragma once
// A script object's methods, declared once. The standard dispatcher finds a
// method by its member table (METHODDATA: name, DISPID, slot, types) and calls
// it through the object's virtual table by that slot: a table and a class that
// list the methods in different orders or with different types call the wrong
// method, with the wrong stack. So both come from one list, an X-macro of
// entries
//
//   METHOD(result type, name, (parameter types), (parameter names))
//
// for example (one entry a line, the lines joined by backslashes)
//
//   #define MY_OBJECT_METHODS(METHOD)
//     METHOD(void, send, (BSTR), (L"str"))
//     METHOD(VARIANT_BOOL, isActiveTab, (), ())
//
//   TESSARY_SCRIPT_INTERFACE(MyObjectMethods, MY_OBJECT_METHODS);
//   class MyObject final : public MyObjectMethods { ...overrides... };
//
//   static ScriptMethodTable table(TESSARY_SCRIPT_METHODS(MY_OBJECT_METHODS));
//   CreateTableDispatch(table.Data(), lcid, &object, &dispatch);
//
// TESSARY_SCRIPT_INTERFACE declares a class of pure virtual methods in the
// list's order and nothing else, so a method's slot is its place in the list;
// the implementing class derives from it and overrides every method (a missing
// one leaves it abstract). TESSARY_SCRIPT_METHODS lists the same entries for the
// table, which gives each method its place as slot, slot + 1 as DISPID, and the
// automation types of its C++ signature (ScriptType below): a type the
// dispatcher cannot pass does not compile, nor does a name count that differs
// from the parameter count.
#include <windows.h>
#include <oleauto.h>

#include <array>
#include <cstddef>
#include <initializer_list>
#include <utility>
#include <vector>

#include "MemberTable.h"

namespace tessary {

// The automation type of each C++ type a script method may take or return.
// VARIANT_BOOL is a short to the compiler: a script method has no other short.
template <class T>
struct ScriptType;
template <>
struct ScriptType<void> {
  static constexpr VARTYPE kType = VT_EMPTY;
};
template <>
struct ScriptType<BSTR> {
  static constexpr VARTYPE kType = VT_BSTR;
};
template <>
struct ScriptType<IDispatch*> {
  static constexpr VARTYPE kType = VT_DISPATCH;
};
template <>
struct ScriptType<int> {
  static constexpr VARTYPE kType = VT_I4;
};
template <>
struct ScriptType<VARIANT_BOOL> {
  static constexpr VARTYPE kType = VT_BOOL;
};

// One entry of the list, as the table reads it.
struct ScriptMethod {
  const wchar_t* name;
  VARTYPE result;
  std::vector<PARAMDATA> parameters;
};

template <class Signature>
struct ScriptSignature;
template <class Result, class... Parameters>
struct ScriptSignature<Result(Parameters...)> {
  static constexpr size_t kArity = sizeof...(Parameters);

  template <size_t Names>
  static ScriptMethod Describe(const wchar_t* name, const std::array<const wchar_t*, Names>& names) {
    static_assert(Names == kArity, "a script method names each of its parameters, no more");
    const VARTYPE types[] = {ScriptType<Parameters>::kType..., VT_EMPTY};
    std::vector<PARAMDATA> parameters;
    for (size_t i = 0; i < kArity; ++i) parameters.push_back(PARAMDATA{TableName(names[i]), types[i]});
    return ScriptMethod{name, ScriptType<Result>::kType, std::move(parameters)};
  }
};

template <class... Names>
std::array<const wchar_t*, sizeof...(Names)> ParameterNames(Names... names) {
  return {names...};
}

// The member table of a list: built once, kept for the process (the type
// information made from it points into it).
class ScriptMethodTable {
 public:
  explicit ScriptMethodTable(std::initializer_list<ScriptMethod> methods);
  ScriptMethodTable(const ScriptMethodTable&) = delete;
  ScriptMethodTable& operator=(const ScriptMethodTable&) = delete;

  INTERFACEDATA* Data() { return &data_; }

 private:
  std::vector<ScriptMethod> methods_;
  std::vector<METHODDATA> table_;
  INTERFACEDATA data_{};
};

}  // namespace tessary

#define TESSARY_SCRIPT_METHOD_DECLARATION(result, name, types, names) virtual result STDMETHODCALLTYPE name types = 0;

// A class of the list's methods in its order: the virtual table the member table
// describes. No data, no destructor of its own in the virtual table (it would
// take slots): objects are deleted as their own class.
#define TESSARY_SCRIPT_INTERFACE(Interface, LIST) \
  class Interface {                               \
   public:                                        \
    LIST(TESSARY_SCRIPT_METHOD_DECLARATION)       \
   protected:                                     \
    ~Interface() = default;                       \
  }

#define TESSARY_SCRIPT_METHOD_ENTRY(result, name, types, names) \
  ::tessary::ScriptSignature<result types>::Describe(L"" #name, ::tessary::ParameterNames names),

// The list's entries for ScriptMethodTable, in the list's order.
#define TESSARY_SCRIPT_METHODS(LIST) \
  { LIST(TESSARY_SCRIPT_METHOD_ENTRY) }
