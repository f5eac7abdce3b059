// zldb show FILE ID [--lang LANGID] [--json]: one record's attributes.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "commands.h"
#include "json_out.h"
#include "model_tree.h"

namespace zldb {
namespace {

// A value read from the library: empty when the field is empty or the text
// is missing in the language; a failure for any other code.
using Field = std::optional<std::string>;

struct ShownField {
  const char* name;
  Field value;
  bool numeric;  // a number in JSON, not a string
};

struct RecordView {
  std::vector<ShownField> fields;  // in display order
  std::vector<std::pair<WORD, Field>> titles;
  std::vector<std::pair<WORD, Field>> infos;
  std::vector<std::pair<const char*, Field>> links;
  std::string path;
};

bool Absent() {
  const int code = ZLGetLastError();
  return code == ZLE_NULL_VALUE || code == ZLE_NO_RESOURCE_TEXT || code == ZLE_NO_LANGUAGE;
}

// Runs one getter; false (with the last error) when it failed for a reason
// other than an absent value.
template <typename Read>
bool Get(Field& field, Read&& read) {
  std::string value;
  if (read(value)) {
    field = value;
    return true;
  }
  field.reset();
  return Absent();
}

bool ReadText(int (*getter)(void*, long, CString&), void* hDB, long id, Field& field) {
  return Get(field, [&](std::string& out) {
    CString text;
    const int ok = getter(hDB, id, text);
    out = text.GetString();
    return ok;
  });
}

bool ReadNumber(int (*getter)(void*, long, unsigned long&), void* hDB, long id, Field& field) {
  return Get(field, [&](std::string& out) {
    unsigned long value = 0;
    const int ok = getter(hDB, id, value);
    out = std::to_string(value);
    return ok;
  });
}

bool ReadSetText(int (*getter)(void*, long, CString&, long), void* hDB, long id, Field& field) {
  return Get(field, [&](std::string& out) {
    CString text;
    const int ok = getter(hDB, id, text, 0);
    out = text.GetString();
    return ok;
  });
}

bool ReadDate(int (*getter)(void*, long, COleDateTime&, long), void* hDB, long id, Field& field) {
  return Get(field, [&](std::string& out) {
    COleDateTime date;
    const int ok = getter(hDB, id, date, 0);
    out = FormatDate(date);
    return ok;
  });
}

bool ReadLink(int (*getter)(void*, long, long&), void* hDB, long id, Field& field) {
  return Get(field, [&](std::string& out) {
    long value = 0;
    const int ok = getter(hDB, id, value);
    out = std::to_string(value);
    return ok;
  });
}

bool ReadLanguageText(int (*getter)(void*, long, WORD, CString&, long), void* hDB, long id,
                      WORD language, Field& field) {
  return Get(field, [&](std::string& out) {
    CString text;
    const int ok = getter(hDB, id, language, text, 0);
    out = text.GetString();
    return ok;
  });
}

bool ReadState(void* hDB, long id, Field& field) {
  return Get(field, [&](std::string& out) {
    unsigned long value = 0;
    const int ok = ZLGetStateByID(hDB, id, value, 0);
    out = std::to_string(value);
    return ok;
  });
}

// Reads everything shown; false with the last error on a real failure.
bool ReadRecord(void* hDB, long id, WORD language, RecordView& view) {
  struct Reader {
    const char* name;
    bool numeric;
    std::function<bool(Field&)> read;
  };
  const Reader readers[] = {
      {"definition name", false, [&](Field& f) { return ReadText(ZLGetDefNameByID, hDB, id, f); }},
      {"type", true, [&](Field& f) { return ReadNumber(ZLGetTypeByID, hDB, id, f); }},
      {"state", true, [&](Field& f) { return ReadState(hDB, id, f); }},
      {"level", true, [&](Field& f) { return ReadNumber(ZLGetLevelByID, hDB, id, f); }},
      {"created by", false,
       [&](Field& f) { return ReadSetText(ZLGetCreatedUserByID, hDB, id, f); }},
      {"created on", false, [&](Field& f) { return ReadDate(ZLGetCreatedDateByID, hDB, id, f); }},
      {"modified by", false,
       [&](Field& f) { return ReadSetText(ZLGetModifiedUserByID, hDB, id, f); }},
      {"modified on", false, [&](Field& f) { return ReadDate(ZLGetModifiedDateByID, hDB, id, f); }},
      {"uses", false, [&](Field& f) { return ReadText(ZLGetUsesByID, hDB, id, f); }},
      {"user table", false, [&](Field& f) { return ReadText(ZLGetUDTNameByID, hDB, id, f); }},
  };
  for (const Reader& reader : readers) {
    Field value;
    if (!reader.read(value)) return false;
    view.fields.push_back({reader.name, value, reader.numeric});
  }

  CArray<WORD, WORD> languages;
  if (!ZLGetAvailableResourceLanguages(hDB, languages)) return false;
  for (int i = 0; i < languages.GetSize(); ++i) {
    Field title, info;
    if (!ReadLanguageText(ZLGetTitleByID, hDB, id, languages[i], title) ||
        !ReadLanguageText(ZLGetInfoByID, hDB, id, languages[i], info)) {
      return false;
    }
    view.titles.emplace_back(languages[i], title);
    view.infos.emplace_back(languages[i], info);
  }

  const std::pair<const char*, int (*)(void*, long, long&)> links[] = {
      {"parent", ZLGetParentByID},
      {"firstChild", ZLGetFirstChildByID},
      {"prev", ZLGetPrevByID},
      {"next", ZLGetNextByID},
  };
  for (const auto& [name, getter] : links) {
    Field value;
    if (!ReadLink(getter, hDB, id, value)) return false;
    view.links.emplace_back(name, value);
  }
  CString path;
  if (!ZLGetPathByID(hDB, id, language, path)) return false;
  view.path = path.GetString();
  return true;
}

std::string JsonField(const Field& field) { return field ? JsonString(*field) : "null"; }

// A JSON key from a display name: "created by" -> "createdBy".
std::string JsonKey(const char* name) {
  std::string key;
  bool upper = false;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == ' ') {
      upper = true;
    } else {
      key += upper ? static_cast<char>(*p - 'a' + 'A') : *p;
      upper = false;
    }
  }
  return key;
}

void PrintJson(long id, WORD language, const RecordView& view) {
  JsonObject out;
  out.Add("id", id);
  for (const ShownField& f : view.fields) {
    const bool raw = f.numeric && f.value;
    out.AddRaw(JsonKey(f.name).c_str(), raw ? *f.value : JsonField(f.value));
  }
  JsonObject titles, infos, links;
  for (const auto& [lang, value] : view.titles) {
    titles.AddRaw(std::to_string(lang).c_str(), JsonField(value));
  }
  for (const auto& [lang, value] : view.infos) {
    infos.AddRaw(std::to_string(lang).c_str(), JsonField(value));
  }
  for (const auto& [name, value] : view.links) {
    links.AddRaw(name, value ? *value : "null");
  }
  out.AddRaw("titles", titles.Text());
  out.AddRaw("infos", infos.Text());
  out.AddRaw("links", links.Text());
  out.Add("pathLanguage", static_cast<long>(language));
  out.Add("path", view.path);
  std::printf("%s\n", out.Text().c_str());
}

void PrintText(long id, WORD language, const RecordView& view) {
  auto line = [](const std::string& label, const Field& value) {
    std::printf("  %-18s %s\n", (label + ":").c_str(), value ? value->c_str() : "-");
  };
  std::printf("record %ld\n", id);
  for (const ShownField& f : view.fields) line(f.name, f.value);
  for (const auto& [lang, value] : view.titles) line("title " + std::to_string(lang), value);
  for (const auto& [lang, value] : view.infos) line("info " + std::to_string(lang), value);
  for (const auto& [name, value] : view.links) line(name, value);
  line("path " + std::to_string(language), view.path.empty() ? Field("(top level)") : view.path);
}

}  // namespace

int RunShow(const Args& argsIn) {
  Args args = argsIn;
  const bool json = TakeFlag(args, "--json");
  std::string languageText;
  const bool hasLanguage = TakeOption(args, "--lang", languageText);
  WORD language = 0;
  char* end = nullptr;
  const long id = args.size() == 2 ? std::strtol(args[1].c_str(), &end, 10) : 0;
  if (args.size() != 2 || args[1].empty() || *end != '\0' ||
      (hasLanguage && !ParseLanguage(languageText, language))) {
    std::fprintf(stderr, "usage: zldb show FILE ID [--lang LANGID] [--json]\n");
    return 2;
  }
  void* hDB = OpenOrReport(args[0], eOpenReadOnly);
  if (hDB == nullptr) return 1;
  if (!hasLanguage) language = DefaultLanguage(hDB);
  int status = 0;
  COleVariant bookmark;
  RecordView view;
  if (!ZLGetBookmarkByID(hDB, id, bookmark)) {
    if (ZLGetLastError() == ZLE_NO_RECORD) {
      std::fprintf(stderr, "zldb: no record with ID %ld\n", id);
      status = 1;
    } else {
      status = ReportFailure("finding the record");
    }
  } else if (!ReadRecord(hDB, id, language, view)) {
    status = ReportFailure("reading the record");
  } else if (json) {
    PrintJson(id, language, view);
  } else {
    PrintText(id, language, view);
  }
  ZLCloseDatabase(hDB);
  return status;
}

}  // namespace zldb
