// Names typed into a folder against what a host that only lists folders
// would find for them. The parsing of archive paths is checked with the
// folder's other questions.
#include <gtest/gtest.h>

#include "shell/ShellTestSupport.h"

namespace shell_test {
namespace {

// What a host that only lists folders would find for a name relative to a
// folder: in each folder the first item whose in-folder display name is the
// component, then on into the folder it binds to. Components are separated
// by '\' (never a trail byte); a '\' at the end ends the name.
struct Walked {
  HRESULT hr;
  UniquePidl list;
};
Walked WalkListing(IShellFolder* start, const std::string& inner) {
  if (inner.empty()) return {S_OK, UniquePidl(qor::PidlCopy(EmptyList()))};
  std::vector<std::string> components(1);
  for (std::size_t i = 0; i < inner.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(inner[i])) && i + 1 < inner.size()) {
      components.back() += inner.substr(i++, 2);
    } else if (inner[i] == '\\') {
      components.emplace_back();
    } else {
      components.back() += inner[i];
    }
  }
  if (components.size() > 1 && components.back().empty()) components.pop_back();
  ComPtr<IShellFolder> folder(start);
  UniquePidl matched;
  for (std::size_t k = 0; k < components.size(); ++k) {
    UniquePidl found;
    ComPtr<IEnumIDList> items = Enum(folder.Get());
    for (LPITEMIDLIST item = nullptr; items->Next(1, &item, nullptr) == S_OK;) {
      UniquePidl held(item);
      if (DisplayName(folder.Get(), item, SHGDN_INFOLDER) == components[k]) {
        found = std::move(held);
        break;
      }
    }
    if (!found) return {S_FALSE, std::move(matched)};
    matched = matched ? Concat(matched.get(), found.get()) : UniquePidl(qor::PidlCopy(found.get()));
    if (k + 1 == components.size()) break;
    ComPtr<IShellFolder> below;
    if (!RecordOf(found.get())->isFolder()) return {E_FAIL, nullptr};
    EXPECT_EQ(folder->BindToObject(found.get(), nullptr, IID_IShellFolder, below.PutVoid()), S_OK);
    folder = std::move(below);
  }
  return {S_OK, std::move(matched)};
}

// The folder finds items by its ordered lookup; what it finds must be what
// the listing gives, also where a name is shown otherwise than stored: an
// empty name (shown as the archive's title, which a stored name may also
// be), bytes that are no character, a character with two byte forms, and
// names whose second byte is 0x5C, among many names sharing prefixes.
TEST_F(ShellTest, ParseFindsWhatTheListingFinds) {
  const std::vector<std::string> odd = {
      "\x95\x5C", "\x95\x5C" "x", "\x83\x5C", "\x94\x5C\x95\x5C",  // trail byte 0x5C
      "\xED\x40", "\xFA\x5C",                                     // one character, two byte forms
      "\x81", "\xFF", "a\x80" "b", "\x85\x40",                    // bytes that are no character
      "t.arc", "T.arc", "",                                       // the title; an empty name
  };
  Inputs inputs;
  for (const std::string& name : odd) {
    inputs.push_back({name + "\\in", "i", 0});
    inputs.push_back({"big\\" + name, "f", 0});
  }
  // A character with two byte forms stored in both: the second is shown as
  // the first, which comes before it.
  inputs.push_back({"later\\\x81\xE0", "s", 0});
  inputs.push_back({"later\\\x87\x90", "a", 0});
  for (int i = 0; i < 300; ++i) {
    std::string name = "n" + std::to_string(i % 7) + std::string(static_cast<std::size_t>(i % 5), 'a') +
                       std::to_string(i);
    inputs.push_back({"big\\" + name, "x", 0});
    if (i % 50 == 0) inputs.push_back({"big\\" + name + "\\deep\\er", "d", 0});
  }
  OpenArchive("t.arc", inputs);
  IShellFolder* const root = m_root.Get();

  std::vector<std::string> queries = {"missing", "big\\missing", "big\\n0\\deep", "big\\n00\\x", "\\in"};
  for (const std::string& name : odd) {
    for (const std::string& q : {name, name + "\\in", name + "\\none", "big\\" + name, "big\\" + name + "\\in"})
      queries.push_back(q);
  }
  for (const qor::ArchiveInput& input : inputs) {
    queries.push_back(input.name);
    queries.push_back(input.name + "x");
    queries.push_back(input.name.substr(0, input.name.size() - 1));
  }
  for (const std::string& query : queries) {
    // The name the folder is given is the narrow form of what was typed.
    std::string typed = Narrow(Widen(query));
    UniquePidl parsed;
    HRESULT hr = ParseName(root, query, parsed);
    Walked walked = WalkListing(root, typed);
    EXPECT_EQ(hr, walked.hr) << typed;
    EXPECT_TRUE((!parsed && !walked.list) ||
                (parsed && walked.list && qor::PidlEqual(parsed.get(), walked.list.get())))
        << typed;
  }
}

}  // namespace
}  // namespace shell_test
