#include <set>
#include <string>

#include "tool_fixture.h"

namespace {

using json = nlohmann::json;

std::set<long> HitIds(const json& out) {
  std::set<long> ids;
  for (const json& hit : out["hits"]) ids.insert(hit["id"].get<long>());
  return ids;
}

TEST_F(ToolTest, QueryCombinesCriteriaAndPrintsHits) {
  Demo();
  // The demo's two JFET-input amplifiers, #34 and #35.
  json out =
      Run({"query", m_file, "--title", "*jfet*", "--wildcards", "--ignore-case", "--json"}).Json();
  EXPECT_EQ(HitIds(out), (std::set<long>{34, 35})) << out.dump();
  ASSERT_EQ(out["hits"].size(), 2u);
  EXPECT_EQ(out["hits"][0]["id"], 35);  // highest ID first
  EXPECT_EQ(out["hits"][0]["paramSet"], 0);
  EXPECT_EQ(out["hits"][0]["title"], "Dual low-noise JFET-input operational amplifier");
  EXPECT_NE(out["hits"][0]["path"].get<std::string>().find("amplifiers"), std::string::npos);

  // Without --ignore-case the pattern must match the case as stored; a
  // title criterion in German finds the German texts only.
  EXPECT_TRUE(
      HitIds(Run({"query", m_file, "--title", "*jfet*", "--wildcards", "--json"}).Json()).empty());
  out = Run({"query", m_file, "--title", "Doppelter*JFET*", "--wildcards", "--lang", "1031",
             "--json"})
            .Json();
  EXPECT_EQ(HitIds(out), (std::set<long>{35})) << out.dump();
  EXPECT_EQ(out["language"], 1031);

  EXPECT_EQ(HitIds(Run({"query", m_file, "--defname", "TL072", "--json"}).Json()),
            (std::set<long>{35}));
  EXPECT_TRUE(HitIds(Run({"query", m_file, "--defname", "tl072", "--json"}).Json()).empty());
  EXPECT_EQ(
      HitIds(Run({"query", m_file, "--defname", "tl07?", "--wildcards", "--ignore-case", "--json"})
                 .Json()),
      (std::set<long>{34, 35}));

  // Text lines: #ID, the set, the path, the title.
  EXPECT_EQ(Run({"query", m_file, "--defname", "TL072"}).out.rfind("#35  set 0  ", 0), 0u);
  EXPECT_EQ(Run({"query", m_file, "--defname", "none"}).out, "(no hits)\n");
}

TEST_F(ToolTest, QueryDatesAreInclusiveAndChecked) {
  Demo();
  const json all = Run({"query", m_file, "--json"}).Json();
  // Every record once, and each of the two parameter sets of the demo's
  // three operational amplifiers as a hit of its own.
  ASSERT_EQ(all["hits"].size(), 56u);
  // The demo's creation dates lie in 2023; a date alone as the upper limit
  // takes in that whole day.
  const RunResult show = Run({"show", m_file, "35", "--json"});
  const std::string created = show.Json()["createdOn"].get<std::string>();
  const std::string day = created.substr(0, 10);
  const json sameDay =
      Run({"query", m_file, "--created-from", day, "--created-to", day, "--json"}).Json();
  EXPECT_EQ(HitIds(sameDay).count(35), 1u) << created << " " << sameDay.dump();
  const json exact =
      Run({"query", m_file, "--created-from", created, "--created-to", created, "--json"}).Json();
  EXPECT_EQ(HitIds(exact).count(35), 1u) << exact.dump();
  ExpectRefused({"query", m_file, "--created-from", "2024-13-01"}, 2, "--created-from");
}

}  // namespace
