// Relative references: a target location written relative to a base. When
// both lie on the same drive, UNC share or URL site, the reference is the walk
// from the base's directory to the target: the components both share are
// dropped, each remaining directory of the base becomes one step up ("..\",
// with a backslash for paths and URLs alike) and the rest of the target
// follows. A target on another root, or one that is not absolute, comes back
// unchanged; a target naming the base itself gives its leaf name. A target's
// fragment (after its first '#') is carried over.
//
// Byte strings in code page 932, stepped over a character at a time. Pure
// functions, apart from GetLeafName's use of the current directory.
#pragma once

#include <string>

namespace qor {

// 1: out holds the reference to use (relative walk, leaf name or the target
// unchanged). 0: the target is rooted with one leading separator; out then
// holds it with every 0x5C turned into 0x2F, and callers go on with the
// target as it was.
int MakeRelativeReference(const std::string& base, const std::string& target, std::string& out);

// The walk from baseRest to targetRest (remainders after a common root, each
// beginning with its separator). Components compare byte for byte with
// caseSensitive, else as file names. Always 1.
int MakeRelativePath(const std::string& baseRest, const std::string& targetRest, std::string& out,
                     int caseSensitive);

// main = s before its first '#', fragment = the text after it (empty, and
// main = s, when there is none).
void SplitFragment(const std::string& s, std::string& main, std::string& fragment);

// out = s, then '#' and the fragment when it is not empty. s may be out.
void AppendFragment(std::string& out, const std::string& s, const std::string& fragment);

// The last component of a location: of a URL, the text after its last '/';
// of a path, the last component once it is made absolute and its "." and ".."
// folded. Empty for a null or empty path, a location that ends with a
// separator, and a path that cannot be resolved within MAX_PATH bytes.
std::string GetLeafName(const char* path);

// When the text at p begins with a parent step (".." alone, or ".." and a
// separator), moves p past it and returns 1; otherwise 0, p unchanged.
int SkipParentPrefix(const char*& p);

}  // namespace qor
