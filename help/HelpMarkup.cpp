#include "HelpMarkup.h"

#include <algorithm>
#include <set>
#include <sstream>

namespace help {

namespace {

std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Trim(const std::string& s) {
  const size_t begin = s.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return std::string();
  const size_t end = s.find_last_not_of(" \t\r");
  return s.substr(begin, end - begin + 1);
}

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// The cells of a table row "| a | b |".
std::vector<std::string> Cells(const std::string& row) {
  std::string inner = Trim(row);
  if (!inner.empty() && inner.front() == '|') inner.erase(0, 1);
  if (!inner.empty() && inner.back() == '|') inner.pop_back();
  std::vector<std::string> cells;
  std::string cell;
  bool inCode = false;
  for (const char c : inner) {
    if (c == '`') inCode = !inCode;
    if (c == '|' && !inCode) {
      cells.push_back(Trim(cell));
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells.push_back(Trim(cell));
  return cells;
}

bool IsSeparatorRow(const std::string& row) {
  return row.find_first_not_of("|-: \t") == std::string::npos;
}

std::string TitleHtml(const Topic& topic) {
  return !topic.title.empty() && topic.title[0] == '$' ? "<code>" + Escape(topic.title) + "</code>"
                                                      : Escape(topic.title);
}

// The groups in the order the index shows them, with their headings.
const std::vector<std::pair<std::string, std::string>>& Groups() {
  static const std::vector<std::pair<std::string, std::string>> groups = {
      {"window", "The window"}, {"patterns", "Value patterns"}, {"wexal", "Version control"}};
  return groups;
}

}  // namespace

bool ParseTopic(const std::string& file, const std::string& text, Topic* topic,
                std::string* error) {
  *topic = Topic();
  topic->file = file;
  const std::vector<std::string> lines = Lines(text);
  size_t i = 0;
  for (; i < lines.size() && !Trim(lines[i]).empty(); ++i) {
    const size_t colon = lines[i].find(':');
    if (colon == std::string::npos) {
      *error = file + ":" + std::to_string(i + 1) + ": a header line is \"key: value\"";
      return false;
    }
    const std::string key = Trim(lines[i].substr(0, colon));
    const std::string value = Trim(lines[i].substr(colon + 1));
    if (key == "page") topic->page = value;
    else if (key == "title") topic->title = value;
    else if (key == "group") topic->group = value;
    else if (key == "summary") topic->summary = value;
    else {
      *error = file + ":" + std::to_string(i + 1) + ": unknown header \"" + key + "\"";
      return false;
    }
  }
  for (const auto& [name, value] : {std::pair<const char*, const std::string*>{"page", &topic->page},
                                    {"title", &topic->title},
                                    {"group", &topic->group},
                                    {"summary", &topic->summary}}) {
    if (value->empty()) {
      *error = file + ": the header \"" + name + "\" is missing";
      return false;
    }
  }
  if (topic->page.find('/') != std::string::npos || !StartsWith(topic->page.substr(
          topic->page.size() >= 5 ? topic->page.size() - 5 : 0), ".html")) {
    *error = file + ": the page \"" + topic->page + "\" is not a file name ending in .html";
    return false;
  }
  const auto known = std::find_if(Groups().begin(), Groups().end(),
                                  [&](const auto& g) { return g.first == topic->group; });
  if (known == Groups().end()) {
    *error = file + ": unknown group \"" + topic->group + "\"";
    return false;
  }
  topic->body.assign(lines.begin() + static_cast<long>(std::min(i, lines.size())), lines.end());
  return true;
}

std::string InlineHtml(const std::string& text) {
  std::string out;
  size_t i = 0;
  bool strong = false;
  while (i < text.size()) {
    if (text[i] == '`') {
      const size_t close = text.find('`', i + 1);
      if (close != std::string::npos) {
        out += "<code>" + Escape(text.substr(i + 1, close - i - 1)) + "</code>";
        i = close + 1;
        continue;
      }
    }
    if (text.compare(i, 2, "**") == 0) {
      out += strong ? "</strong>" : "<strong>";
      strong = !strong;
      i += 2;
      continue;
    }
    if (text[i] == '[') {
      const size_t mid = text.find("](", i);
      const size_t close = mid == std::string::npos ? mid : text.find(')', mid);
      if (close != std::string::npos && text.find(']', i) == mid) {
        out += "<a href=\"" + Escape(text.substr(mid + 2, close - mid - 2)) + "\">" +
               InlineHtml(text.substr(i + 1, mid - i - 1)) + "</a>";
        i = close + 1;
        continue;
      }
    }
    out += Escape(std::string(1, text[i]));
    ++i;
  }
  if (strong) out += "</strong>";
  return out;
}

std::string BodyHtml(const std::vector<std::string>& lines) {
  std::string out;
  size_t i = 0;
  const auto blank = [&](size_t k) { return Trim(lines[k]).empty(); };
  while (i < lines.size()) {
    if (blank(i)) {
      ++i;
      continue;
    }
    const std::string first = Trim(lines[i]);
    if (StartsWith(first, "```")) {
      out += "<pre>";
      for (++i; i < lines.size() && !StartsWith(Trim(lines[i]), "```"); ++i)
        out += Escape(lines[i]) + "\n";
      out += "</pre>\n";
      ++i;
    } else if (StartsWith(first, "## ")) {
      out += "<h2>" + InlineHtml(first.substr(3)) + "</h2>\n";
      ++i;
    } else if (StartsWith(first, "- ")) {
      out += "<ul>\n";
      std::string item = first.substr(2);
      for (++i; i < lines.size() && !blank(i); ++i) {
        const std::string line = Trim(lines[i]);
        if (StartsWith(line, "- ")) {
          out += "<li>" + InlineHtml(item) + "</li>\n";
          item = line.substr(2);
        } else {
          item += " " + line;
        }
      }
      out += "<li>" + InlineHtml(item) + "</li>\n</ul>\n";
    } else if (StartsWith(first, "|")) {
      out += "<table>\n";
      bool header = true;
      for (; i < lines.size() && StartsWith(Trim(lines[i]), "|"); ++i) {
        if (IsSeparatorRow(lines[i])) continue;
        const char* cell = header ? "th" : "td";
        out += "<tr>";
        for (const std::string& c : Cells(lines[i]))
          out += std::string("<") + cell + ">" + InlineHtml(c) + "</" + cell + ">";
        out += "</tr>\n";
        header = false;
      }
      out += "</table>\n";
    } else {
      std::string paragraph = first;
      for (++i; i < lines.size() && !blank(i); ++i) {
        const std::string line = Trim(lines[i]);
        if (StartsWith(line, "- ") || StartsWith(line, "|") || StartsWith(line, "## ") ||
            StartsWith(line, "```"))
          break;
        paragraph += " " + line;
      }
      out += "<p>" + InlineHtml(paragraph) + "</p>\n";
    }
  }
  return out;
}

std::string PageHtml(const Topic& topic, const std::vector<Topic>& topics) {
  std::string out =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
      Escape(topic.title) +
      " - brunox help</title>\n<style>\n"
      "body { font-family: sans-serif; max-width: 52em; margin: 1em auto; padding: 0 1em; "
      "line-height: 1.45; }\n"
      "code, pre { font-family: monospace; background: #f3f3f3; }\n"
      "pre { padding: 0.5em; overflow-x: auto; }\n"
      "table { border-collapse: collapse; }\n"
      "th, td { border: 1px solid #ccc; padding: 0.2em 0.5em; text-align: left; "
      "vertical-align: top; }\n"
      ".nav { font-size: 90%; }\n</style>\n</head>\n<body>\n";
  const bool isIndex = topic.page == "index.html";
  if (!isIndex) out += "<p class=\"nav\"><a href=\"index.html\">Help contents</a></p>\n";
  out += "<h1>" + TitleHtml(topic) + "</h1>\n";
  out += "<p>" + InlineHtml(topic.summary) + "</p>\n";
  out += BodyHtml(topic.body);
  if (isIndex) {
    for (const auto& [group, heading] : Groups()) {
      std::vector<const Topic*> members;
      for (const Topic& t : topics)
        if (t.group == group && t.page != "index.html") members.push_back(&t);
      if (members.empty()) continue;
      std::sort(members.begin(), members.end(),
                [](const Topic* a, const Topic* b) { return a->title < b->title; });
      out += "<h2>" + Escape(heading) + "</h2>\n<ul>\n";
      for (const Topic* t : members)
        out += "<li><a href=\"" + Escape(t->page) + "\">" + TitleHtml(*t) + "</a>: " +
               InlineHtml(t->summary) + "</li>\n";
      out += "</ul>\n";
    }
  }
  out += "</body>\n</html>\n";
  return out;
}

std::string ReadmeList(const std::vector<Topic>& topics, const std::string& group) {
  std::vector<const Topic*> members;
  for (const Topic& t : topics)
    if (t.group == group && t.page != "index.html") members.push_back(&t);
  std::sort(members.begin(), members.end(),
            [](const Topic* a, const Topic* b) { return a->title < b->title; });
  std::string out;
  for (const Topic* t : members) {
    const std::string title = t->title[0] == '$' ? "`" + t->title + "`" : "**" + t->title + "**";
    out += "- " + title + " (`" + t->page + "`): " + t->summary + "\n";
  }
  return out;
}

bool FillReadme(const std::string& readme, const std::vector<Topic>& topics, std::string* out,
                std::string* error) {
  const std::string open = "<!-- help:";
  std::string result;
  size_t at = 0;
  for (;;) {
    const size_t start = readme.find(open, at);
    if (start == std::string::npos) break;
    const size_t nameEnd = readme.find(" -->", start);
    if (nameEnd == std::string::npos) {
      *error = "README: an unclosed \"<!-- help:\" marker";
      return false;
    }
    const std::string group = readme.substr(start + open.size(), nameEnd - start - open.size());
    const auto known = std::find_if(Groups().begin(), Groups().end(),
                                    [&](const auto& g) { return g.first == group; });
    if (known == Groups().end()) {
      *error = "README: unknown help group \"" + group + "\"";
      return false;
    }
    const std::string close = "<!-- /help:" + group + " -->";
    const size_t end = readme.find(close, nameEnd);
    if (end == std::string::npos) {
      *error = "README: the region of \"" + group + "\" has no \"" + close + "\"";
      return false;
    }
    const size_t contentStart = nameEnd + 4;
    result += readme.substr(at, contentStart - at);
    result += '\n';
    result += ReadmeList(topics, group);
    result += close;
    at = end + close.size();
  }
  result += readme.substr(at);
  *out = result;
  return true;
}

}  // namespace help
