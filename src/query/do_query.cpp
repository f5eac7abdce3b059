// The model query: whole-table scans narrow the candidates (query/
// prefilters.h); every candidate left is then tested criterion by criterion
// through the record routines, so the hits are exactly those of testing
// every candidate that way.
#include <memory>
#include <optional>

#include "frame/guard.h"
#include "keywords/keyword_rows.h"
#include "nodes/node_rows.h"
#include "query/prefilters.h"
#include "resources/language_texts.h"
#include "resources/resource_tables.h"
#include "schema/zl_recordset.h"
#include "tree/record_routines.h"
#include "tree/row_target.h"
#include "zldbctrl70/value_objects.h"

using namespace zl;

namespace {

using Q = CZLQueryObject;

std::string_view TextOf(const COleVariant& text) {
  return std::string_view(V_BSTRT(&text), text.GetStringLength());
}

class CQueryRun {
 public:
  CQueryRun(ZLHandleRecord& record, const CZLQueryObject& query)
      : m_record(record), m_query(query), m_flags(query.m_dwCriteriaFlags) {
    const bool wildcards = Has(Q::kUseWildcards);
    const bool ignoreCase = Has(Q::kIgnoreCase);
    m_name.emplace(query.m_strName.str(), wildcards, ignoreCase);
    m_title.emplace(query.m_strTitle.str(), wildcards, ignoreCase);
    m_keyword.emplace(query.m_strKeyword.str(), wildcards, ignoreCase);
  }

  // Scans for the candidates and the criteria's sets.
  void Prepare(std::vector<ZLQueryCandidate>& candidates) {
    CollectCandidates(m_record, candidates);
    if (Has(Q::kName)) m_names = RecordsByName(m_record, *m_name);
    if (Has(Q::kTitle)) m_titles = TextsMatching(m_record, *m_title, m_query.m_wTitleLanguage);
    if (Has(Q::kKeyword)) {
      m_keywordOwners = KeywordOwners(m_record, *m_keyword, m_query.m_wKeywordLanguage);
    }
  }

  // Whether the candidate is a hit.  Codes other than running out of memory
  // reject the candidate.
  int Test(const ZLQueryCandidate& c, bool& hit) {
    hit = false;
    if (!MayPass(c)) return ZLE_OK;
    const int code = CatchEngineErrors([&] { return Exact(c, hit); });
    if (code == ZLE_OUT_OF_MEMORY) return code;
    if (code != ZLE_OK) hit = false;
    return ZLE_OK;
  }

 private:
  bool Has(DWORD bit) const { return (m_flags & bit) != 0; }

  // The scans' verdict: false only for a candidate that fails for certain.
  bool MayPass(const ZLQueryCandidate& c) const {
    if (Has(Q::kName) && m_names.count(c.recordID) == 0) return false;
    if (Has(Q::kKeyword) && m_keywordOwners.count(OwnerKey(c.recordID, 0)) == 0 &&
        m_keywordOwners.count(OwnerKey(c.recordID, c.paramSetID)) == 0) {
      return false;
    }
    if (Has(Q::kTitle) && m_titles.count(c.titleID) == 0) return false;
    return true;
  }

  // The criteria in their order; a failed read fails the criterion.
  int Exact(const ZLQueryCandidate& c, bool& hit) {
    const ZLRowRef own = ZLRowRef::ByID(c.recordID);
    if (Has(Q::kName)) {
      COleVariant name;
      if (ReadRowField(m_record, own, "DEFNAME", name) != ZLE_OK) return ZLE_OK;
      if (!m_name->Matches(TextOf(name))) return ZLE_OK;
    }
    if (Has(Q::kKeyword) && !KeywordMatches(c)) return ZLE_OK;
    if (Has(Q::kTitle) && !TitleMatches(c)) return ZLE_OK;
    if (!DateWithin(c, "CREATED_DATE", Q::kFirstCreationDate, m_query.m_dtFirstCreationDate,
                    Q::kLastCreationDate, m_query.m_dtLastCreationDate) ||
        !DateWithin(c, "DATE", Q::kFirstModificationDate, m_query.m_dtFirstModificationDate,
                    Q::kLastModificationDate, m_query.m_dtLastModificationDate)) {
      return ZLE_OK;
    }
    if (!NodeCountsMatch(c)) return ZLE_OK;
    hit = true;
    return ZLE_OK;
  }

  // Reads the candidate's keywords in the language; found is set when one
  // matches.  The read's code.
  int ReadKeywordsMatching(WORD language, const ZLQueryCandidate& c, bool& found) {
    CZLKeywordArray keywords;
    int code = ZLE_OK;
    try {
      code = ReadKeywords(m_record, language, c.recordID, c.paramSetID, keywords);
      for (int i = 0; code == ZLE_OK && !found && i < keywords.GetSize(); ++i) {
        found = m_keyword->Matches(keywords[i]->m_strKeyword.str());
      }
    } catch (...) {
      ZLFreeObjectArray(keywords);
      throw;
    }
    ZLFreeObjectArray(keywords);
    return code;
  }

  // As the keyword map is read: every language is read, and a failure in
  // any fails the criterion.
  bool KeywordMatches(const ZLQueryCandidate& c) {
    bool found = false;
    if (m_query.m_wKeywordLanguage != 0) {
      return ReadKeywordsMatching(m_query.m_wKeywordLanguage, c, found) == ZLE_OK && found;
    }
    const int code = ForEachResourceTable(m_record, ZLR_KEYWORD, [&](WORD language, CZLRecordset&) {
      return ReadKeywordsMatching(language, c, found);
    });
    return code == ZLE_OK && found;
  }

  bool TitleMatches(const ZLQueryCandidate& c) {
    const ZLRowRef row = ZLRowRef::ByID(c.recordID, c.paramSetID);
    if (m_query.m_wTitleLanguage != 0) {
      COleVariant text;
      if (ReadRowText(m_record, row, "TITLE", m_query.m_wTitleLanguage, text) != ZLE_OK) {
        return false;
      }
      return m_title->Matches(TextOf(text));
    }
    CArray<WORD, WORD> languages;
    if (AvailableResourceLanguages(m_record, languages) != ZLE_OK) return false;
    CZLRecordset* rs = nullptr;
    if (PositionRow(m_record, row, true, rs) != ZLE_OK) return false;
    COleVariant resourceID;
    if (CurrentResourceID(m_record, *rs, "TITLE", false, resourceID) != ZLE_OK) return false;
    // Every language is read, as the title map would be: a language whose
    // text cannot be read for another reason than its absence fails the
    // whole read.
    bool found = false;
    for (int i = static_cast<int>(languages.GetSize()) - 1; i >= 0; --i) {
      COleVariant text;
      const int code = GetResourceText(m_record, resourceID, languages[i], text);
      if (code == ZLE_OK) {
        found = found || m_title->Matches(TextOf(text));
      } else if (code != ZLE_NO_RESOURCE_TEXT) {
        return false;
      }
    }
    return found;
  }

  bool DateWithin(const ZLQueryCandidate& c, const char* field, DWORD firstBit,
                  const COleDateTime& first, DWORD lastBit, const COleDateTime& last) {
    if (!Has(firstBit) && !Has(lastBit)) return true;
    COleVariant value;
    if (ReadRowField(m_record, ZLRowRef::ByID(c.recordID), field, value) != ZLE_OK) return false;
    const COleDateTime date(value);
    if (Has(firstBit) && date < first) return false;
    if (Has(lastBit) && date > last) return false;
    return true;
  }

  bool NodeCountsMatch(const ZLQueryCandidate& c) {
    const bool needC = Has(Q::kNumberOfNodesC) || Has(Q::kNumberOfNodes);
    const bool needNC = Has(Q::kNumberOfNodesNC) || Has(Q::kNumberOfNodes);
    if (!needC && !needNC) return true;
    // A parameter set has the record's verdict; it is worked out once.
    if (m_nodeVerdictRecord == c.recordID) return m_nodeVerdict;
    m_nodeVerdictRecord = c.recordID;
    m_nodeVerdict = false;
    int countC = 0;
    int countNC = 0;
    if (needC && !CountNodes(ENodeKind::kConservative, c.recordID, countC)) return false;
    if (Has(Q::kNumberOfNodesC) && countC != m_query.m_nNumberOfNodesC) return false;
    if (needNC && !CountNodes(ENodeKind::kNonConservative, c.recordID, countNC)) return false;
    if (Has(Q::kNumberOfNodesNC) && countNC != m_query.m_nNumberOfNodesNC) return false;
    if (Has(Q::kNumberOfNodes) && countC + countNC != m_query.m_nNumberOfNodes) return false;
    m_nodeVerdict = true;
    return true;
  }

  bool CountNodes(ENodeKind kind, long recordID, int& count) {
    CZLNodeArray nodes;
    int code = ZLE_OK;
    try {
      code = ReadNodes(m_record, kind, recordID, 0, nodes);
    } catch (...) {
      ZLFreeObjectArray(nodes);
      throw;
    }
    count = static_cast<int>(nodes.GetSize());
    ZLFreeObjectArray(nodes);
    return code == ZLE_OK;
  }

  ZLHandleRecord& m_record;
  const CZLQueryObject& m_query;
  DWORD m_flags;
  std::optional<CTextCriterion> m_name, m_title, m_keyword;
  std::unordered_set<int64_t> m_names;
  std::unordered_set<int64_t> m_titles;
  std::unordered_set<uint64_t> m_keywordOwners;
  long m_nodeVerdictRecord = 0;
  bool m_nodeVerdict = false;
};

}  // namespace

int CZLQueryObject::DoQuery(void* hDB) {
  ZLFreeObjectArray(m_arrResults);
  return RunGuardedRead(hDB, [&](ZLHandleRecord& record) {
    std::vector<ZLQueryCandidate> candidates;
    CQueryRun run(record, *this);
    try {
      run.Prepare(candidates);
    } catch (...) {
      return ZLOutcome::Fail(CodeForCurrentException());
    }
    CZLRecordset& main = *record.Recordset(ZLT_MAIN);
    try {
      for (const ZLQueryCandidate& c : candidates) {
        bool hit = false;
        const int code = run.Test(c, hit);
        if (code != ZLE_OK) {
          ZLFreeObjectArray(m_arrResults);
          return ZLOutcome::Fail(code);
        }
        if (!hit) continue;
        // The bookmark of a record that a test could read can be taken; a
        // failure here is a failure of the whole search.
        if (SeekByID(record, main, "MODEL_ID", c.recordID) != ZLE_OK) continue;
        auto found = std::make_unique<CZLFindObject>();
        found->m_varBookmark = main.GetBookmark();
        found->m_lParamSetID = c.paramSetID;
        if ((m_dwCriteriaFlags & kResultRecordID) != 0) found->m_lRecordID = c.recordID;
        m_arrResults.Add(found.get());
        found.release();
      }
    } catch (...) {
      ZLFreeObjectArray(m_arrResults);
      throw;
    }
    return ZLOutcome::Ok();
  });
}
