// Makes the pages of the user guide from frames the pages share and the words of each language,
// so that the head, header, navigation and footer are written once and every list of topics
// and languages follows help/topics.txt and the language folders by itself. Two kinds of page:
// a topic page (a frame, the page's own content and the words of its language first, then those
// of the others), and the entry page help.html beside the program (a frame and the words of all
// languages, the entry page's own language first), which lists every topic in every language.
//
// The frame is a small template. {{name}} puts in a value; values are HTML and go in as they
// are. {{>name}} puts in a value that is itself a template, filled with the names at that
// place (so that a word can hold a link to a page of its own language); such a value cannot use
// {{>...}} in turn. {{#name}}...{{/name}} repeats its text for each item of a list, the item's
// names hiding outer ones of the same name, or keeps its text once if the value is not empty;
// {{^name}}...{{/name}} keeps its text if the value is empty or the list has no items;
// {{! ...}} is a remark. A line that holds nothing but a {{#, {{^, {{/ or {{! tag leaves no
// empty line behind. A name that nothing defines stops the build, so that a typing error cannot
// reach a page.
//
// The names on both kinds of page: every word of the page's language (lang, language-name,
// ...); folder, the language's folder; first-topic; the lists topics (topic, topic-title,
// current) and other-languages (the words of each other language, its folder, its own list
// topics, and first, which is not empty for the first of them only). On a topic page also
// topic, title and content of the page, and the lists previous-topic and next-topic (none or
// one item: topic, topic-title). Every language must have every word that the page's language
// has, so that a word missing in one language cannot silently show another language's.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Words = std::map<std::string, std::string>;

// The names one level of the template sees: plain values and lists of items.
struct Scope {
    Words values;
    std::map<std::string, std::vector<Scope>> lists;
};

// Returns the whole file; throws if it cannot be read.
std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot read");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Returns `text` without the spaces and tabs at its ends.
std::string trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t") - first + 1));
}

// Returns the lines of `text` that are neither empty nor remarks (starting with #), trimmed,
// each with its line number.
std::vector<std::pair<int, std::string>> meaningfulLines(const std::string& text) {
    std::vector<std::pair<int, std::string>> lines;
    int number = 0;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ++number;
        const std::string line = trimmed(std::string_view(text).substr(start, end - start));
        if (!line.empty() && line[0] != '#')
            lines.emplace_back(number, line);
        start = end + 1;
    }
    return lines;
}

// Reads a words file: lines "name = value"; throws on any other line and on a name given
// twice.
Words readWords(const std::string& path) {
    Words words;
    for (const auto& [number, line] : meaningfulLines(readFile(path))) {
        const auto equals = line.find('=');
        const std::string name = trimmed(std::string_view(line).substr(0, equals));
        const std::string where = path + ':' + std::to_string(number) + ": ";
        if (equals == std::string::npos || name.empty())
            throw std::runtime_error(where + "expected \"name = value\"");
        if (!words.emplace(name, trimmed(std::string_view(line).substr(equals + 1))).second)
            throw std::runtime_error(where + name + " is given twice");
    }
    return words;
}

// Returns the word `name` of the language whose words file is `path`; throws if it is missing.
const std::string& word(const Words& words, const std::string& name, const std::string& path) {
    const auto found = words.find(name);
    if (found == words.end())
        throw std::runtime_error(path + ": " + name + " is missing");
    return found->second;
}

// Returns `frame` without the line end after each tag of kind #, ^, / or ! that stands alone
// on its line, so that such tags leave no empty lines in the page.
std::string withoutStandaloneTagLines(const std::string& frame) {
    std::string result;
    size_t done = 0;
    for (size_t open = frame.find("{{"); open != std::string::npos;
         open = frame.find("{{", open + 2)) {
        const size_t close = frame.find("}}", open);
        if (close == std::string::npos || open + 2 == close)
            break;  // left for render() to report
        const bool standalone =
            (open == 0 || frame[open - 1] == '\n') &&
            std::string_view("#^/!").find(frame[open + 2]) != std::string_view::npos &&
            close + 2 < frame.size() && frame[close + 2] == '\n';
        if (standalone) {
            result.append(frame, done, close + 2 - done);
            done = close + 3;
        }
        open = close;
    }
    return result.append(frame, done, std::string::npos);
}

// What a name stands for in the innermost scope that has it: a value or a list.
struct Meaning {
    const std::string* value = nullptr;
    const std::vector<Scope>* list = nullptr;
};

// Looks `name` up from the innermost scope outwards; throws if no scope has it.
Meaning lookUp(const std::string& name, const std::vector<const Scope*>& scopes) {
    for (auto scope = scopes.rbegin(); scope != scopes.rend(); ++scope) {
        if (const auto value = (*scope)->values.find(name); value != (*scope)->values.end())
            return {&value->second, nullptr};
        if (const auto list = (*scope)->lists.find(name); list != (*scope)->lists.end())
            return {nullptr, &list->second};
    }
    throw std::runtime_error("nothing is called \"" + name + '"');
}

// Returns `text` with its tags replaced as the comment at the top says, names looked up in
// `scopes` (innermost last); {{>name}} is allowed only if `includes` is true. Throws on an
// unknown name, a section that is not closed or a {{>name}} where it is not allowed.
std::string render(std::string_view text, std::vector<const Scope*>& scopes, bool includes = true) {
    std::string out;
    size_t done = 0;
    while (true) {
        const size_t open = text.find("{{", done);
        out.append(text.substr(done, open - done));
        if (open == std::string_view::npos)
            return out;
        const size_t close = text.find("}}", open);
        if (close == std::string_view::npos)
            throw std::runtime_error("a tag has no }}");
        const std::string tag(text.substr(open + 2, close - open - 2));
        done = close + 2;
        const char kind = tag.empty() ? '\0' : tag[0];
        if (kind == '!')
            continue;
        if (kind == '/')
            throw std::runtime_error("{{" + tag + "}} closes nothing");
        if (kind == '>') {
            // Only one level, so that no value can put itself in without end.
            if (!includes)
                throw std::runtime_error("{{" + tag + "}} is inside a value put in by {{>...}}");
            const Meaning meaning = lookUp(tag.substr(1), scopes);
            if (!meaning.value)
                throw std::runtime_error("{{" + tag + "}} is a list, not a value");
            try {
                out += render(*meaning.value, scopes, false);
            } catch (const std::runtime_error& error) {
                throw std::runtime_error("in the value of " + tag.substr(1) + ": " + error.what());
            }
            continue;
        }
        if (kind != '#' && kind != '^') {
            const Meaning meaning = lookUp(tag, scopes);
            if (!meaning.value)
                throw std::runtime_error("{{" + tag + "}} is a list, not a value");
            out += *meaning.value;
            continue;
        }
        // The body ends at the matching {{/name}}, past sections of the same name inside it.
        const std::string name = tag.substr(1);
        size_t end = done;
        for (int depth = 1;; end += 2) {
            end = text.find("{{", end);
            const size_t endClose = text.find("}}", end);
            if (endClose == std::string_view::npos)
                throw std::runtime_error("{{" + tag + "}} is not closed");
            const std::string_view inner = text.substr(end + 2, endClose - end - 2);
            if (!inner.empty() && inner.substr(1) == name) {
                if (inner[0] == '/' && --depth == 0)
                    break;
                if (inner[0] == '#' || inner[0] == '^')
                    ++depth;
            }
        }
        const std::string_view body = text.substr(done, end - done);
        done = text.find("}}", end) + 2;
        const Meaning meaning = lookUp(name, scopes);
        const bool empty = meaning.value ? meaning.value->empty() : meaning.list->empty();
        if (kind == '^') {
            if (empty)
                out += render(body, scopes, includes);
        } else if (meaning.value) {
            if (!empty)
                out += render(body, scopes, includes);
        } else {
            for (const Scope& item : *meaning.list) {
                scopes.push_back(&item);
                out += render(body, scopes, includes);
                scopes.pop_back();
            }
        }
    }
}

// Gives `scope`, which holds the words of the file `wordsPath`, the value or list `named`
// under `name`; throws if that file already uses the name, so that no word hides a name of the
// page.
template <typename Named>
void define(Scope& scope, const std::string& name, Named named, const std::string& wordsPath) {
    if (scope.values.count(name) || scope.lists.count(name))
        throw std::runtime_error(wordsPath + ": " + name + " is a name of the page, not a word");
    if constexpr (std::is_same_v<Named, std::vector<Scope>>)
        scope.lists.emplace(name, std::move(named));
    else
        scope.values.emplace(name, std::move(named));
}

// Returns the folder of the language whose words file is `wordsPath` (help/de/words.txt: de).
std::string languageFolder(const std::string& wordsPath) {
    return fs::path(wordsPath).parent_path().filename().string();
}

// Returns the item of a list of topics for topics[i] in the language of `words`, read from
// `wordsPath`; current is not empty if i is `current`. Throws if the language does not name the
// topic.
Scope topicItem(const std::vector<std::string>& topics, size_t i, size_t current,
                const Words& words, const std::string& wordsPath) {
    Scope item;
    item.values["topic"] = topics[i];
    item.values["topic-title"] = word(words, "topic." + topics[i], wordsPath);
    item.values["current"] = i == current ? "yes" : "";
    return item;
}

// Returns the names of the language whose words file is `wordsPath`: its words, folder and the
// list topics, in which topics[current] is the current one (none if current is topics.size()).
// Throws if the file is malformed, uses a name of the page as a word or misses a topic.
Scope languageScope(const std::string& wordsPath, const std::vector<std::string>& topics,
                    size_t current) {
    Scope language;
    language.values = readWords(wordsPath);
    const Words words = language.values;
    std::vector<Scope> all;
    for (size_t i = 0; i < topics.size(); ++i)
        all.push_back(topicItem(topics, i, current, words, wordsPath));
    define(language, "folder", languageFolder(wordsPath), wordsPath);
    define(language, "topics", std::move(all), wordsPath);
    return language;
}

// Returns the page: `framePath` filled in the language of wordsPaths[0], the other words files
// being the other languages of the guide. With a `contentPath` (help/<language>/<topic>.html:
// a line <title>...</title>, then what goes inside <main>) it is that topic's page; with an
// empty one it is the entry page. Throws on anything missing or malformed.
std::string makePage(const std::string& framePath, const std::string& topicsPath,
                     const std::string& contentPath, const std::vector<std::string>& wordsPaths) {
    std::vector<std::string> topics;
    for (const auto& [number, line] : meaningfulLines(readFile(topicsPath)))
        topics.push_back(line);
    if (topics.empty())
        throw std::runtime_error(topicsPath + ": no topics");
    const std::string topic =
        contentPath.empty() ? std::string() : fs::path(contentPath).stem().string();
    size_t index = topics.size();
    if (!contentPath.empty()) {
        index = 0;
        while (index < topics.size() && topics[index] != topic)
            ++index;
        if (index == topics.size())
            throw std::runtime_error(contentPath + ": " + topic + " is not in " + topicsPath);
    }

    const std::string& wordsPath = wordsPaths[0];
    Scope page = languageScope(wordsPath, topics, index);
    const Words words = readWords(wordsPath);
    define(page, "first-topic", topics.front(), wordsPath);
    std::vector<Scope> others;
    for (size_t i = 1; i < wordsPaths.size(); ++i) {
        Scope other = languageScope(wordsPaths[i], topics, index);
        for (const auto& named : words) {
            if (!other.values.count(named.first))
                throw std::runtime_error(wordsPaths[i] + ": " + named.first + " is missing (" +
                                         wordsPath + " has it)");
        }
        define(other, "first", std::string(i == 1 ? "yes" : ""), wordsPaths[i]);
        others.push_back(std::move(other));
    }
    define(page, "other-languages", std::move(others), wordsPath);

    if (!contentPath.empty()) {
        const std::string content = readFile(contentPath);
        const std::string_view startTag = "<title>", endTag = "</title>";
        const size_t lineEnd = content.find('\n');
        const std::string_view titleLine = std::string_view(content).substr(0, lineEnd);
        if (lineEnd == std::string::npos || titleLine.substr(0, startTag.size()) != startTag ||
            titleLine.size() < startTag.size() + endTag.size() ||
            titleLine.substr(titleLine.size() - endTag.size()) != endTag)
            throw std::runtime_error(contentPath + ":1: expected <title>...</title>");
        define(page, "topic", topic, wordsPath);
        define(page, "title",
               std::string(titleLine.substr(startTag.size(),
                                            titleLine.size() - startTag.size() - endTag.size())),
               wordsPath);
        // The frame's own line end follows the content, so the file's last one is left out.
        define(page, "content",
               content.substr(lineEnd + 1,
                              content.size() - lineEnd - 1 - (content.back() == '\n' ? 1 : 0)),
               wordsPath);
        std::vector<Scope> previous, next;
        if (index > 0)
            previous.push_back(topicItem(topics, index - 1, index, words, wordsPath));
        if (index + 1 < topics.size())
            next.push_back(topicItem(topics, index + 1, index, words, wordsPath));
        define(page, "previous-topic", std::move(previous), wordsPath);
        define(page, "next-topic", std::move(next), wordsPath);
    }

    std::vector<const Scope*> scopes = {&page};
    const std::string frame = withoutStandaloneTagLines(readFile(framePath));
    try {
        return render(frame, scopes);
    } catch (const std::runtime_error& error) {
        throw std::runtime_error(framePath + ": " + error.what());
    }
}

}  // namespace

// Writes the page that the arguments ask for (see the usage below); returns 0, or 2 for wrong
// arguments and 1 for any other failure, each said on stderr.
int main(int argc, char** argv) {
    const bool entry = argc > 1 && std::string_view(argv[1]) == "--entry";
    // The arguments before the words files: frame, topics, content (topic pages only), output.
    const int first = entry ? 2 : 1, fixed = entry ? 3 : 4;
    if (argc < first + fixed + 1) {
        std::fprintf(stderr,
                     "usage: %s <frame> <topics> <content> <output> <words> [<other words>...]\n"
                     "       %s --entry <frame> <topics> <output> <words> [<other words>...]\n"
                     "  words: the words file of the page's language, then those of the "
                     "others\n",
                     argv[0], argv[0]);
        return 2;
    }
    try {
        const std::string page =
            makePage(argv[first], argv[first + 1], entry ? "" : argv[first + 2],
                     std::vector<std::string>(argv + first + fixed, argv + argc));
        const fs::path output = argv[first + fixed - 1];
        if (output.has_parent_path())
            fs::create_directories(output.parent_path());
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out << page;
        if (!out.flush())
            throw std::runtime_error(output.string() + ": cannot write");
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", argv[0], error.what());
        return 1;
    }
    return 0;
}
