// One text criterion of a model query (definition name, title or keyword):
// the text sought and how it compares with a stored text.
#ifndef ZLDBCTRL70_QUERY_TEXT_CRITERION_H_
#define ZLDBCTRL70_QUERY_TEXT_CRITERION_H_

#include <string>
#include <string_view>

namespace zl {

class CTextCriterion {
 public:
  // With ignoreCase both texts are upper-cased (the library's case folding)
  // before they compare; with wildcards the sought text is a pattern
  // (platform/wildcard_match.h), otherwise the texts must be equal byte for
  // byte.
  CTextCriterion(std::string_view sought, bool wildcards, bool ignoreCase);

  bool Matches(std::string_view stored) const;
  // The literal bytes every matching text begins with (before the first
  // wildcard), for narrowing a scan; case is ignored there anyway.
  const std::string& Prefix() const { return m_prefix; }

 private:
  std::string m_sought;
  std::string m_prefix;
  bool m_wildcards;
  bool m_ignoreCase;
};

}  // namespace zl

#endif  // ZLDBCTRL70_QUERY_TEXT_CRITERION_H_
