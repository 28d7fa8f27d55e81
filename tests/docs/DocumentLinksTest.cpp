// Every link of the README and docs/ resolves: a file of the project, and
// where the link names a heading (#fragment), a heading of that file.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/support/RunKovra.h"

namespace {

namespace fs = std::filesystem;
using kovra::testing::Lines;
using kovra::testing::Slurp;

const fs::path kSource = KOVRA_TEST_SOURCE_DIR;

std::vector<fs::path> Documents() {
    std::vector<fs::path> documents{kSource / "README.md"};
    for (const auto& entry : fs::directory_iterator(kSource / "docs"))
        if (entry.path().extension() == ".md") documents.push_back(entry.path());
    return documents;
}

// A heading's anchor as document viewers make it: lower case, punctuation
// dropped, spaces as hyphens.
std::string Anchor(const std::string& heading) {
    std::string anchor;
    for (const char c : heading) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '_')
            anchor += static_cast<char>(std::tolower(byte));
        else if (c == ' ')
            anchor += '-';
    }
    return anchor;
}

std::set<std::string> AnchorsOf(const fs::path& document) {
    std::set<std::string> anchors;
    bool fenced = false;
    for (const std::string& line : Lines(Slurp(document.string()))) {
        if (line.rfind("```", 0) == 0) fenced = !fenced;
        if (fenced || line.empty() || line[0] != '#') continue;
        const size_t text = line.find_first_not_of('#');
        if (text != std::string::npos) anchors.insert(Anchor(line.substr(line.find_first_not_of(" ", text))));
    }
    return anchors;
}

TEST(DocumentLinks, EveryLinkOfTheReadmeAndDocsResolves) {
    const std::regex link(R"(\]\(([^)\s]+)\))");
    size_t checked = 0;
    for (const fs::path& document : Documents()) {
        const std::string text = Slurp(document.string());
        for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
            const std::string target = (*it)[1];
            if (target.rfind("http://", 0) == 0 || target.rfind("https://", 0) == 0) continue;
            const size_t hash = target.find('#');
            const std::string file = target.substr(0, hash);
            const fs::path resolved = file.empty() ? document : document.parent_path() / file;
            SCOPED_TRACE(document.filename().string() + ": " + target);
            ++checked;
            ASSERT_TRUE(fs::exists(resolved)) << resolved;
            if (hash != std::string::npos) {
                EXPECT_EQ(AnchorsOf(resolved).count(target.substr(hash + 1)), 1u) << "no such heading in " << resolved;
            }
        }
    }
    EXPECT_GT(checked, 20u);  // the README alone links every document
}

}  // namespace
