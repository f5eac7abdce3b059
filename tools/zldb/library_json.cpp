#include "library_json.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <map>

namespace zldb {
namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// A whole number of the document within [low, high].
long long WholeNumber(const Json& in, const std::string& path, long long low, long long high) {
  bool ok = false;
  long long value = 0;
  if (in.is_number_unsigned()) {
    ok = in.get<unsigned long long>() <= static_cast<unsigned long long>(high);
    value = ok ? static_cast<long long>(in.get<unsigned long long>()) : 0;
  } else if (in.is_number_integer()) {
    value = in.get<long long>();
    ok = value >= low && value <= high;
  }
  if (!ok || value < low) {
    throw CJsonFault(
        path, "must be a whole number from " + std::to_string(low) + " to " + std::to_string(high));
  }
  return value;
}

const std::string& Text(const Json& in, const std::string& path) {
  if (!in.is_string()) throw CJsonFault(path, "must be a text");
  return in.get_ref<const std::string&>();
}

// A stored text: a string, or {"bytes": base64} for one that is not UTF-8.
CString StoredText(const Json& in, const std::string& path) {
  if (in.is_string()) return CString(in.get_ref<const std::string&>().c_str());
  const auto bytes = in.is_object() && in.size() == 1 ? in.find("bytes") : in.end();
  if (bytes == in.end()) throw CJsonFault(path, "must be a text or {\"bytes\": base64}");
  std::string decoded;
  if (!Base64Decode(Text(*bytes, path + "/bytes"), decoded)) {
    throw CJsonFault(path + "/bytes", "is not base64");
  }
  if (decoded.find('\0') != std::string::npos) {
    throw CJsonFault(path + "/bytes", "holds a zero byte, which no text can");
  }
  return CString(decoded.c_str());
}

}  // namespace

std::string Base64Encode(const unsigned char* data, size_t size) {
  std::string out;
  out.reserve((size + 2) / 3 * 4);
  for (size_t i = 0; i < size; i += 3) {
    const unsigned long chunk = (static_cast<unsigned long>(data[i]) << 16) |
                                (i + 1 < size ? static_cast<unsigned long>(data[i + 1]) << 8 : 0) |
                                (i + 2 < size ? data[i + 2] : 0);
    out += kAlphabet[(chunk >> 18) & 63];
    out += kAlphabet[(chunk >> 12) & 63];
    out += i + 1 < size ? kAlphabet[(chunk >> 6) & 63] : '=';
    out += i + 2 < size ? kAlphabet[chunk & 63] : '=';
  }
  return out;
}

bool Base64Decode(const std::string& text, std::string& bytes) {
  bytes.clear();
  if (text.size() % 4 != 0) return false;
  size_t padding = 0;
  while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') {
    ++padding;
  }
  unsigned long chunk = 0;
  int bits = 0;
  for (size_t i = 0; i + padding < text.size(); ++i) {
    const char* at = text[i] == '\0' ? nullptr : std::strchr(kAlphabet, text[i]);
    if (at == nullptr) return false;
    chunk = ((chunk << 6) | static_cast<unsigned long>(at - kAlphabet)) & 0xFFFFFF;
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes += static_cast<char>((chunk >> bits) & 255);
    }
  }
  // Only the canonical form: encoding the bytes again gives the text.
  return Base64Encode(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()) == text;
}

Json Encode(long value) { return value; }
Json Encode(unsigned long value) { return value; }
Json Encode(DWORD value) { return value; }
Json Encode(WORD value) { return value; }
Json Encode(BOOL value) { return value != 0; }
Json Encode(const CString& value) {
  const std::string text = value.GetString();
  if (IsValidUtf8(text)) return text;
  return {
      {"bytes", Base64Encode(reinterpret_cast<const unsigned char*>(text.data()), text.size())}};
}

Json Encode(const CLongBinary& value) {
  if (value.m_hData == nullptr) return nullptr;
  const auto* data = static_cast<const unsigned char*>(GlobalLock(value.m_hData));
  Json out = Base64Encode(data, value.m_dwDataLength);
  GlobalUnlock(value.m_hData);
  return out;
}

Json Encode(const COleDateTime& value) { return value.Format().GetString(); }

Json Encode(const LanguageTexts& value) {
  std::map<WORD, Json> sorted;
  WORD language = 0;
  CString text;
  for (POSITION pos = value.GetStartPosition(); pos != nullptr;) {
    value.GetNextAssoc(pos, language, text);
    sorted[language] = Encode(text);
  }
  Json out = Json::object();
  for (const auto& entry : sorted) out[std::to_string(entry.first)] = entry.second;
  return out;
}

Json Encode(const CMapStringToString& value) {
  std::map<std::string, Json> sorted;
  CString key, text;
  for (POSITION pos = value.GetStartPosition(); pos != nullptr;) {
    value.GetNextAssoc(pos, key, text);
    sorted[key.GetString()] = Encode(text);
  }
  Json out = Json::object();
  for (const auto& entry : sorted) out[entry.first] = entry.second;
  return out;
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages&, long& value) {
  value = static_cast<long>(WholeNumber(in, path, std::numeric_limits<int32_t>::min(),
                                        std::numeric_limits<int32_t>::max()));
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages&,
            unsigned long& value) {
  value = static_cast<unsigned long>(WholeNumber(in, path, 0, 0xFFFFFFFFLL));
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages&, DWORD& value) {
  value = static_cast<DWORD>(WholeNumber(in, path, 0, 0xFFFFFFFFLL));
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages&, WORD& value) {
  value = static_cast<WORD>(WholeNumber(in, path, 0, 0xFFFF));
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages&, BOOL& value) {
  if (!in.is_boolean()) throw CJsonFault(path, "must be true or false");
  value = in.get<bool>() ? TRUE : FALSE;
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages&, CString& value) {
  value = StoredText(in, path);
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages&, CLongBinary& value) {
  value.Release();
  if (in.is_null()) return;
  std::string bytes;
  if (!Base64Decode(Text(in, path), bytes)) throw CJsonFault(path, "is not base64");
  value.Assign(bytes.data(), bytes.size());
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages&, COleDateTime& value) {
  if (!value.ParseDateTime(Text(in, path).c_str()) || value.GetStatus() != COleDateTime::valid) {
    throw CJsonFault(path, "is not a date (YYYY-MM-DD HH:MM:SS)");
  }
}

WORD DecodeLanguage(const std::string& key, const std::string& path,
                    const LibraryLanguages& known) {
  WORD language = 0;
  const bool digits =
      !key.empty() && key.size() <= 5 && key[0] != '0' &&
      std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (digits && std::stol(key) <= 0xFFFF) language = static_cast<WORD>(std::stol(key));
  if (language == 0 || known.resource.count(language) == 0) {
    throw CJsonFault(path, "unknown resource language '" + key + "'");
  }
  return language;
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages& known,
            LanguageTexts& value) {
  if (!in.is_object()) throw CJsonFault(path, "must be an object keyed by language");
  value.RemoveAll();
  for (auto it = in.begin(); it != in.end(); ++it) {
    const std::string at = path + "/" + PointerStep(it.key());
    value[DecodeLanguage(it.key(), at, known)] = StoredText(it.value(), at);
  }
}

void Decode(const Json& in, const std::string& path, const LibraryLanguages& known,
            CMapStringToString& value) {
  if (!in.is_object()) throw CJsonFault(path, "must be an object keyed by simulator language");
  value.RemoveAll();
  for (auto it = in.begin(); it != in.end(); ++it) {
    const std::string at = path + "/" + PointerStep(it.key());
    if (known.simulator.count(it.key()) == 0) {
      throw CJsonFault(at, "unknown simulator language '" + it.key() + "'");
    }
    value[it.key().c_str()] = StoredText(it.value(), at);
  }
}

std::string PointerStep(const std::string& key) {
  std::string step;
  for (char c : key) step += c == '~' ? "~0" : c == '/' ? "~1" : std::string(1, c);
  return step;
}

const Json& Member(const Json& object, const char* key, const std::string& path) {
  if (!object.is_object()) throw CJsonFault(path, "must be an object");
  const auto it = object.find(key);
  if (it == object.end()) throw CJsonFault(path + "/" + key, "is missing");
  return *it;
}

const Json& ArrayMember(const Json& object, const char* key, const std::string& path) {
  const Json& member = Member(object, key, path);
  if (!member.is_array()) throw CJsonFault(path + "/" + key, "must be an array");
  return member;
}

const Json& ObjectMember(const Json& object, const char* key, const std::string& path) {
  const Json& member = Member(object, key, path);
  if (!member.is_object()) throw CJsonFault(path + "/" + key, "must be an object");
  return member;
}

namespace {

enum class ValueKind { kText, kBoolean, kInteger, kReal, kDate, kBinary };

ValueKind KindOf(long type) {
  switch (type) {
    case 2:
      return ValueKind::kBoolean;
    case 3:
    case 4:
    case 5:
    case 10:
      return ValueKind::kInteger;
    case 6:
    case 7:
      return ValueKind::kReal;
    case 8:
      return ValueKind::kDate;
    case 9:
      return ValueKind::kBinary;
    default:
      return ValueKind::kText;
  }
}

}  // namespace

Json EncodeAdditionalValue(const COleVariant& value, long type) {
  if (value.vt == VT_NULL || value.vt == VT_EMPTY) return nullptr;
  COleVariant copy = value;
  switch (KindOf(type)) {
    case ValueKind::kBinary:
      if (!value.IsByteArray()) break;
      return Base64Encode(value.GetByteArrayData(), value.GetByteArraySize());
    case ValueKind::kBoolean:
      copy.ChangeType(VT_BOOL);
      return copy.boolVal != 0;
    case ValueKind::kInteger:
      copy.ChangeType(VT_I4);
      return static_cast<long>(copy.lVal);
    case ValueKind::kReal:
      copy.ChangeType(VT_R8);
      return copy.dblVal;
    case ValueKind::kDate:
      return COleDateTime(value).Format().GetString();
    case ValueKind::kText:
      break;
  }
  if (value.IsByteArray()) {
    return Base64Encode(value.GetByteArrayData(), value.GetByteArraySize());
  }
  copy.ChangeType(VT_BSTR);
  return Encode(CString(copy.GetStringValue()));
}

COleVariant DecodeAdditionalValue(const Json& in, const std::string& path, long type) {
  COleVariant out;
  if (in.is_null()) {
    out.SetNull();
    return out;
  }
  const LibraryLanguages none;
  switch (KindOf(type)) {
    case ValueKind::kBinary: {
      CLongBinary block;
      Decode(in, path, none, block);
      return COleVariant(block);
    }
    case ValueKind::kBoolean:
      if (!in.is_boolean()) throw CJsonFault(path, "must be true or false");
      return COleVariant(static_cast<int32_t>(in.get<bool>() ? 1 : 0), VT_BOOL);
    case ValueKind::kInteger: {
      long value = 0;
      Decode(in, path, none, value);
      return COleVariant(value, VT_I4);
    }
    case ValueKind::kReal:
      if (!in.is_number()) throw CJsonFault(path, "must be a number");
      return COleVariant(in.get<double>());
    case ValueKind::kDate: {
      COleDateTime date;
      Decode(in, path, none, date);
      return COleVariant(date);
    }
    case ValueKind::kText:
      break;
  }
  return COleVariant(StoredText(in, path));
}

}  // namespace zldb
