// Builds the help pages from the topic files, and keeps the README's topic lists in step:
//   helpgen pages  TOPICS_DIR OUT_DIR    writes one HTML page per topic into OUT_DIR
//   helpgen readme TOPICS_DIR README.md  fails when the README's lists differ from the topics
//   helpgen readme TOPICS_DIR README.md --update   rewrites them
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <set>
#include <sstream>

#include "HelpMarkup.h"

namespace fs = std::filesystem;

namespace {

bool ReadFile(const fs::path& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *text = all.str();
  return true;
}

bool WriteFile(const fs::path& path, const std::string& text) {
  // Written beside and renamed, so that a failed build never leaves half a page.
  const fs::path temporary = path.string() + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!(out << text)) return false;
  }
  std::error_code ec;
  fs::rename(temporary, path, ec);
  return !ec;
}

bool ReadTopics(const fs::path& folder, std::vector<help::Topic>* topics) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.path().extension() == ".md") files.push_back(entry.path());
  if (ec) {
    std::cerr << "helpgen: cannot list " << folder << ": " << ec.message() << "\n";
    return false;
  }
  std::sort(files.begin(), files.end());
  std::set<std::string> pages;
  for (const fs::path& file : files) {
    std::string text, error;
    help::Topic topic;
    if (!ReadFile(file, &text)) {
      std::cerr << "helpgen: cannot read " << file << "\n";
      return false;
    }
    if (!help::ParseTopic(file.string(), text, &topic, &error)) {
      std::cerr << "helpgen: " << error << "\n";
      return false;
    }
    if (!pages.insert(topic.page).second) {
      std::cerr << "helpgen: " << file.string() << ": the page " << topic.page
                << " has another topic already\n";
      return false;
    }
    topics->push_back(std::move(topic));
  }
  if (!pages.count("index.html")) {
    std::cerr << "helpgen: no topic of " << folder << " is the page index.html\n";
    return false;
  }
  return true;
}

int Pages(const fs::path& topicsFolder, const fs::path& out) {
  std::vector<help::Topic> topics;
  if (!ReadTopics(topicsFolder, &topics)) return 1;
  std::error_code ec;
  fs::create_directories(out, ec);
  for (const help::Topic& topic : topics) {
    if (!WriteFile(out / topic.page, help::PageHtml(topic, topics))) {
      std::cerr << "helpgen: cannot write " << (out / topic.page) << "\n";
      return 1;
    }
  }
  return 0;
}

int Readme(const fs::path& topicsFolder, const fs::path& readme, bool update) {
  std::vector<help::Topic> topics;
  if (!ReadTopics(topicsFolder, &topics)) return 1;
  std::string text, filled, error;
  if (!ReadFile(readme, &text)) {
    std::cerr << "helpgen: cannot read " << readme << "\n";
    return 1;
  }
  if (!help::FillReadme(text, topics, &filled, &error)) {
    std::cerr << "helpgen: " << readme.string() << ": " << error << "\n";
    return 1;
  }
  if (filled == text) return 0;
  if (!update) {
    std::cerr << "helpgen: the help lists in " << readme.string()
              << " differ from the topics; run: helpgen readme " << topicsFolder.string() << " "
              << readme.string() << " --update\n";
    return 1;
  }
  if (!WriteFile(readme, filled)) {
    std::cerr << "helpgen: cannot write " << readme << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "pages") return Pages(args[1], args[2]);
  if ((args.size() == 3 || (args.size() == 4 && args[3] == "--update")) && args[0] == "readme")
    return Readme(args[1], args[2], args.size() == 4);
  std::cerr << "usage: helpgen pages TOPICS_DIR OUT_DIR\n"
               "       helpgen readme TOPICS_DIR README.md [--update]\n";
  return 2;
}
