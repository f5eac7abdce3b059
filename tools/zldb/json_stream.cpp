#include "json_stream.h"

#include <vector>

namespace zldb {
namespace {

// One open object or array on the way from the top to the value read.
struct Frame {
  bool array = false;
  std::string key;  // objects: the member being read
  long index = -1;  // arrays: the element being read
};

std::string PathOf(const std::vector<Frame>& frames) {
  std::string path;
  for (const Frame& frame : frames) {
    if (frame.array && frame.index >= 0) {
      path += "/" + std::to_string(frame.index);
    } else if (!frame.array && !frame.key.empty()) {
      path += "/" + frame.key;
    }
  }
  return path.empty() ? "/" : path;
}

// The parser's message without its exception prefix.
std::string SyntaxMessage(const std::string& what) {
  const std::string marker = "syntax error while parsing ";
  const size_t at = what.find(marker);
  std::string text = at == std::string::npos ? what : what.substr(at + marker.size());
  const size_t line = what.find("at line ");
  if (line != std::string::npos) {
    const size_t colon = what.find(':', line);
    text += " (" + what.substr(line, colon - line) + ")";
  }
  return "is not valid JSON: " + text;
}

}  // namespace

void StreamDocument(std::istream& in, const std::string& streamKey,
                    const std::function<void(const std::string&, const Json&)>& onMember,
                    const std::function<void(const Json&, const std::string&)>& onElement) {
  std::vector<Frame> frames;
  using Event = Json::parse_event_t;
  const Json::parser_callback_t callback = [&](int depth, Event event, Json& parsed) {
    const bool starts =
        event == Event::object_start || event == Event::array_start || event == Event::value;
    if (depth == 0 && event != Event::object_start && event != Event::object_end) {
      throw CJsonFault("/", "must be an object (the document of a zldb export)");
    }
    if (starts && !frames.empty() && frames.back().array) ++frames.back().index;
    if (event == Event::object_start || event == Event::array_start) {
      frames.push_back({event == Event::array_start, "", -1});
      return true;
    }
    if (event == Event::key) {
      frames.back().key = parsed.get<std::string>();
      return true;
    }
    if (event == Event::object_end || event == Event::array_end) frames.pop_back();
    if (event == Event::key || event == Event::object_start || event == Event::array_start) {
      return true;
    }
    // A value is complete: a plain value, or an object or array just closed.
    if (depth == 2 && frames.size() == 2 && frames[0].key == streamKey && frames[1].array) {
      onElement(parsed, "/" + streamKey + "/" + std::to_string(frames[1].index));
      return false;  // dropped: the array stays empty
    }
    if (depth == 1 && frames.size() == 1) {
      onMember(frames[0].key, parsed);
    }
    return true;
  };
  try {
    const Json rest = Json::parse(in, callback);  // the sections; records were dropped
  } catch (const Json::parse_error& e) {
    throw CJsonFault(PathOf(frames), SyntaxMessage(e.what()));
  }
}

}  // namespace zldb
