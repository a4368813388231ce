// The translators' options dialogs are MEL scripts that only the host can run. These tests
// read the scripts and check what can be checked without the host: the options protocol
// entry point, that "query" writes exactly the translator's keys in its order, that "post"
// reads every key and falls back on the registered defaults, and a syntax check (balanced
// brackets, closed strings, every procedure called is defined or a host command, local
// procedures defined before use, every variable declared before use).

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

// ---------------------------------------------------------------------------------------
// A lexer and a procedure finder for the MEL subset the scripts use.

enum class Kind { Identifier, Variable, String, Number, Flag, Punct, Backtick };

struct Token {
    Kind kind;
    std::string text;  // strings: the contents with escapes resolved
    int line;
};

struct Lexed {
    std::vector<Token> tokens;
    std::vector<std::string> errors;
};

Lexed lex(const std::string& src) {
    Lexed out;
    int line = 1;
    size_t i = 0;
    auto isIdentStart = [](char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
    };
    auto isIdent = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    while (i < src.size()) {
        const char c = src[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (src.compare(i, 2, "//") == 0) {
            while (i < src.size() && src[i] != '\n') ++i;
        } else if (src.compare(i, 2, "/*") == 0) {
            const size_t end = src.find("*/", i + 2);
            if (end == std::string::npos) {
                out.errors.push_back("line " + std::to_string(line) + ": unclosed comment");
                break;
            }
            line += static_cast<int>(std::count(src.begin() + static_cast<long>(i),
                                                src.begin() + static_cast<long>(end), '\n'));
            i = end + 2;
        } else if (c == '"') {
            std::string text;
            const int startLine = line;
            ++i;
            bool closed = false;
            while (i < src.size()) {
                if (src[i] == '\\' && i + 1 < src.size()) {
                    text += src[i + 1];
                    i += 2;
                } else if (src[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                } else if (src[i] == '\n') {
                    break;  // MEL strings do not span lines
                } else {
                    text += src[i++];
                }
            }
            if (!closed)
                out.errors.push_back("line " + std::to_string(startLine) + ": unclosed string");
            out.tokens.push_back({Kind::String, text, startLine});
        } else if (c == '$' && i + 1 < src.size() && isIdentStart(src[i + 1])) {
            size_t j = i + 1;
            while (j < src.size() && isIdent(src[j])) ++j;
            out.tokens.push_back({Kind::Variable, src.substr(i, j - i), line});
            i = j;
        } else if (isIdentStart(c)) {
            size_t j = i;
            while (j < src.size() && isIdent(src[j])) ++j;
            out.tokens.push_back({Kind::Identifier, src.substr(i, j - i), line});
            i = j;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < src.size() &&
                    std::isdigit(static_cast<unsigned char>(src[i + 1])))) {
            size_t j = i;
            while (j < src.size() &&
                   (std::isalnum(static_cast<unsigned char>(src[j])) || src[j] == '.'))
                ++j;
            out.tokens.push_back({Kind::Number, src.substr(i, j - i), line});
            i = j;
        } else if (c == '-' && i + 1 < src.size() &&
                   std::isalpha(static_cast<unsigned char>(src[i + 1])) && !out.tokens.empty() &&
                   (out.tokens.back().kind == Kind::Identifier ||
                    out.tokens.back().kind == Kind::Flag ||
                    out.tokens.back().kind == Kind::String ||
                    out.tokens.back().kind == Kind::Number ||
                    out.tokens.back().kind == Kind::Variable || out.tokens.back().text == ")")) {
            // A flag follows a command word or an argument; "-" elsewhere is a minus.
            size_t j = i + 1;
            while (j < src.size() && isIdent(src[j])) ++j;
            out.tokens.push_back({Kind::Flag, src.substr(i, j - i), line});
            i = j;
        } else if (c == '`') {
            out.tokens.push_back({Kind::Backtick, "`", line});
            ++i;
        } else {
            static const std::array<const char*, 12> twoChar = {"==", "!=", "<=", ">=", "&&", "||",
                                                                "+=", "-=", "++", "--", "*=", "/="};
            std::string op(1, c);
            for (const char* t : twoChar)
                if (src.compare(i, 2, t) == 0) op = t;
            out.tokens.push_back({Kind::Punct, op, line});
            i += op.size();
        }
    }
    return out;
}

const std::set<std::string>& typeWords() {
    static const std::set<std::string> words = {"int", "float", "string", "vector", "matrix"};
    return words;
}

const std::set<std::string>& keywords() {
    static const std::set<std::string> words = {"if",     "else",   "for",     "while", "do",
                                                "switch", "case",   "default", "break", "continue",
                                                "return", "global", "proc",    "in",    "true",
                                                "false",  "on",     "off",     "yes",   "no"};
    return words;
}

// MEL commands and host script procedures the dialogs may call. Anything else must be
// defined in the script itself.
const std::set<std::string>& hostCommands() {
    static const std::set<std::string> commands = {"button",
                                                   "checkBoxGrp",
                                                   "columnLayout",
                                                   "currentUnit",
                                                   "eval",
                                                   "floatFieldGrp",
                                                   "frameLayout",
                                                   "intFieldGrp",
                                                   "match",
                                                   "menuItem",
                                                   "optionMenuGrp",
                                                   "playbackOptions",
                                                   "print",
                                                   "radioButtonGrp",
                                                   "rowLayout",
                                                   "separator",
                                                   "setParent",
                                                   "size",
                                                   "substituteAllString",
                                                   "text",
                                                   "textFieldGrp",
                                                   "tokenize",
                                                   "warning"};
    return commands;
}

struct Proc {
    std::string name;
    bool global = false;
    std::string returnType;
    std::vector<std::pair<std::string, std::string>> params;  // type, name
    size_t headerToken = 0;                                   // index of "proc"
    size_t bodyBegin = 0;                                     // index after "{"
    size_t bodyEnd = 0;                                       // index of the matching "}"
};

struct Script {
    std::string path;
    std::string text;
    Lexed lexed;
    std::vector<Proc> procs;
    std::vector<std::string> errors;

    const Proc* find(const std::string& name) const {
        for (const Proc& p : procs)
            if (p.name == name) return &p;
        return nullptr;
    }
    const std::vector<Token>& tokens() const { return lexed.tokens; }
};

// Finds every "[global] proc [type[[]]] name(type $p, ...) { ... }".
void findProcs(Script& s) {
    const std::vector<Token>& t = s.tokens();
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != Kind::Identifier || t[i].text != "proc") continue;
        Proc p;
        p.headerToken = i;
        p.global = i > 0 && t[i - 1].text == "global";
        size_t j = i + 1;
        if (j + 1 < t.size() && typeWords().count(t[j].text) && t[j + 1].kind == Kind::Identifier) {
            p.returnType = t[j].text;
            ++j;
        } else if (j + 3 < t.size() && typeWords().count(t[j].text) && t[j + 1].text == "[") {
            p.returnType = t[j].text + "[]";
            j += 3;
        }
        if (j >= t.size() || t[j].kind != Kind::Identifier || j + 1 >= t.size() ||
            t[j + 1].text != "(") {
            s.errors.push_back("line " + std::to_string(t[i].line) + ": malformed proc header");
            continue;
        }
        p.name = t[j].text;
        j += 2;
        while (j < t.size() && t[j].text != ")") {
            if (typeWords().count(t[j].text) && j + 1 < t.size() &&
                t[j + 1].kind == Kind::Variable) {
                std::string type = t[j].text;
                if (j + 3 < t.size() && t[j + 2].text == "[" && t[j + 3].text == "]") type += "[]";
                p.params.emplace_back(type, t[j + 1].text);
            }
            ++j;
        }
        if (j + 1 >= t.size() || t[j + 1].text != "{") {
            s.errors.push_back("line " + std::to_string(t[i].line) + ": proc " + p.name +
                               " has no body");
            continue;
        }
        p.bodyBegin = j + 2;
        int depth = 1;
        size_t k = p.bodyBegin;
        for (; k < t.size(); ++k) {
            if (t[k].text == "{" && t[k].kind == Kind::Punct) ++depth;
            if (t[k].text == "}" && t[k].kind == Kind::Punct && --depth == 0) break;
        }
        p.bodyEnd = k;
        s.procs.push_back(p);
        i = k;
    }
}

Script loadScript(const std::string& path) {
    Script s;
    s.path = path;
    s.text = bvhtest::readFile(path);
    s.lexed = lex(s.text);
    findProcs(s);
    return s;
}

std::string scriptPath(const std::string& name) {
    return std::string(BVHIO_SOURCE_DIR) + "/scripts/" + name + ".mel";
}

// String literals of a procedure's body, in order.
std::vector<std::string> literalsOf(const Script& s, const Proc& p) {
    std::vector<std::string> out;
    for (size_t i = p.bodyBegin; i < p.bodyEnd; ++i)
        if (s.tokens()[i].kind == Kind::String) out.push_back(s.tokens()[i].text);
    return out;
}

std::vector<std::string> keysOfOptionString(const std::string& options) {
    std::vector<std::string> keys;
    std::stringstream in(options);
    std::string pair;
    while (std::getline(in, pair, ';'))
        if (!pair.empty()) keys.push_back(pair.substr(0, pair.find('=')));
    return keys;
}

// ---------------------------------------------------------------------------------------
// The two dialogs and the translators they serve.

struct Dialog {
    const char* translator;
    const char* script;  // also the entry procedure's name
    std::vector<std::string> keys;
};

const std::vector<Dialog>& dialogs() {
    static const std::vector<Dialog> all = {
        {"BVHimport",
         "bvhImportOpts",
         {"importSkelton", "importAnimation", "clipboard", "clip", "importFrameRange", "startFrame",
          "endFrame", "pasteTimeRange", "startTime", "endTime", "inputKeys", "frameRate",
          "frameRateUnit", "frameRateNum", "notFloatingKey", "scale", "rotationOrder",
          "matchBy"}},
        {"BVHexport",
         "bvhExportOpts",
         {"exportMode", "frameRate", "frameRateUnit", "frameRateNum", "exportKeyRange",
          "exportFrameRange", "startFrame", "endFrame", "scale", "rotationOrder"}},
    };
    return all;
}

void PrintTo(const Dialog& dialog, std::ostream* out) { *out << dialog.script; }

struct Registration {
    std::string optionsScript;
    std::string defaultOptions;
};

// The translators as the built plug-in registers them, read through bvhhost.
std::map<std::string, Registration> registeredTranslators() {
    std::map<std::string, Registration> out;
    const std::string text =
        bvhtest::runProgram(BVHIO_BVHHOST, {"--plugin", BVHIO_PLUGIN, "translators"}).out;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::stringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '\t')) fields.push_back(field);
        if (fields.size() >= 5) out[fields[0]] = {fields[3], fields[4]};
    }
    return out;
}

class MelOptionsTest : public testing::TestWithParam<Dialog> {
protected:
    void SetUp() override {
        script_ = loadScript(scriptPath(GetParam().script));
        ASSERT_FALSE(script_.text.empty()) << "cannot read " << script_.path;
    }
    const Proc& proc(const std::string& suffix) {
        const Proc* p = script_.find(std::string(GetParam().script) + suffix);
        if (!p) ADD_FAILURE() << script_.path << ": no proc " << GetParam().script << suffix;
        static const Proc none;
        return p ? *p : none;
    }
    Script script_;
};

TEST_P(MelOptionsTest, EntryPointFollowsTheOptionsProtocol) {
    const Proc& entry = proc("");
    EXPECT_TRUE(entry.global) << "the host calls the entry point by name: it must be global";
    EXPECT_EQ(entry.returnType, "int");
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"string", "$parent"},
        {"string", "$action"},
        {"string", "$initialSettings"},
        {"string", "$resultCallback"}};
    EXPECT_EQ(entry.params, expected);

    // Both actions are handled, and "query" hands its string to the callback.
    const std::vector<std::string> literals = literalsOf(script_, entry);
    EXPECT_NE(std::find(literals.begin(), literals.end(), "post"), literals.end());
    EXPECT_NE(std::find(literals.begin(), literals.end(), "query"), literals.end());
    bool callsBack = false;
    const std::vector<Token>& t = script_.tokens();
    for (size_t i = entry.bodyBegin; i + 2 < entry.bodyEnd; ++i)
        if (t[i].text == "eval" && t[i + 1].text == "(" && t[i + 2].text == "$resultCallback")
            callsBack = true;
    EXPECT_TRUE(callsBack) << "query must call eval($resultCallback + ...)";
}

TEST_P(MelOptionsTest, QueryWritesExactlyTheTranslatorKeysInOrder) {
    const Proc& query = proc("Query");
    std::vector<std::string> keys;
    for (const std::string& literal : literalsOf(script_, query)) {
        // Each pair is written as "key=" + value + ";".
        if (literal.size() > 1 && literal.back() == '=' &&
            std::all_of(literal.begin(), literal.end() - 1,
                        [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
            keys.push_back(literal.substr(0, literal.size() - 1));
    }
    EXPECT_EQ(keys, GetParam().keys);
    const std::vector<std::string> literals = literalsOf(script_, query);
    EXPECT_EQ(std::count(literals.begin(), literals.end(), ";"),
              static_cast<long>(GetParam().keys.size()))
        << "every pair ends with a semicolon";
}

TEST_P(MelOptionsTest, PostInitialisesEveryKeyFromTheOptionString) {
    const Proc& post = proc("Post");
    const std::string prefix = GetParam().script;
    const std::set<std::string> readers = {prefix + "Value", prefix + "Int", prefix + "Float"};
    std::set<std::string> read;
    const std::vector<Token>& t = script_.tokens();
    for (size_t i = post.bodyBegin; i + 5 < post.bodyEnd; ++i) {
        // reader($settings, "key" ...)
        if (readers.count(t[i].text) && t[i + 1].text == "(" && t[i + 2].text == "$settings" &&
            t[i + 3].text == "," && t[i + 4].kind == Kind::String)
            read.insert(t[i + 4].text);
    }
    const std::set<std::string> expected(GetParam().keys.begin(), GetParam().keys.end());
    EXPECT_EQ(read, expected);

    // The settings read are the registered defaults followed by the host's string, so a
    // key the host's string lacks shows its default and the host's value wins otherwise.
    bool layered = false;
    for (size_t i = post.bodyBegin; i + 6 < post.bodyEnd; ++i)
        if (t[i].text == "$settings" && t[i + 1].text == "=" &&
            t[i + 2].text == prefix + "Defaults" && t[i + 5].text == "+" &&
            t[i + 6].text == "$initialSettings")
            layered = true;
    EXPECT_TRUE(layered) << "post must read " << prefix << "Defaults() + $initialSettings";
}

TEST_P(MelOptionsTest, DefaultsAreTheRegisteredOptionString) {
    const std::map<std::string, Registration> registered = registeredTranslators();
    const auto found = registered.find(GetParam().translator);
    ASSERT_NE(found, registered.end())
        << GetParam().translator << " not listed by bvhhost translators";
    EXPECT_EQ(found->second.optionsScript, GetParam().script)
        << "the host looks the dialog up by this name: it must be the script's file and "
           "entry procedure";

    const std::vector<std::string> literals = literalsOf(script_, proc("Defaults"));
    ASSERT_EQ(literals.size(), 1u) << "Defaults must return one literal string";
    EXPECT_EQ(literals[0], found->second.defaultOptions);

    // Every key of the default string belongs to the translator.
    for (const std::string& key : keysOfOptionString(literals[0]))
        EXPECT_NE(std::find(GetParam().keys.begin(), GetParam().keys.end(), key),
                  GetParam().keys.end())
            << key;
}

TEST_P(MelOptionsTest, BracketsBalanceAndStringsClose) {
    EXPECT_TRUE(script_.lexed.errors.empty()) << ::testing::PrintToString(script_.lexed.errors);
    EXPECT_TRUE(script_.errors.empty()) << ::testing::PrintToString(script_.errors);
    std::vector<const Token*> open;
    int backticks = 0;
    const std::map<std::string, std::string> pairs = {{")", "("}, {"]", "["}, {"}", "{"}};
    for (const Token& tok : script_.tokens()) {
        if (tok.kind == Kind::Backtick) ++backticks;
        if (tok.kind != Kind::Punct) continue;
        if (tok.text == "(" || tok.text == "[" || tok.text == "{") open.push_back(&tok);
        const auto closing = pairs.find(tok.text);
        if (closing == pairs.end()) continue;
        ASSERT_FALSE(open.empty()) << "line " << tok.line << ": unmatched " << tok.text;
        ASSERT_EQ(open.back()->text, closing->second)
            << "line " << tok.line << ": " << tok.text << " closes " << open.back()->text
            << " of line " << open.back()->line;
        open.pop_back();
    }
    EXPECT_TRUE(open.empty()) << "unclosed " << (open.empty() ? "" : open.back()->text)
                              << " of line " << (open.empty() ? 0 : open.back()->line);
    EXPECT_EQ(backticks % 2, 0) << "unpaired backtick";
}

// Every word in a command position or called as name(...) is a procedure of the script or
// a host command; local procedures are defined before their first use (MEL reads a file
// top to bottom); procedures named in UI callback strings are global, because the host
// runs those strings outside the script.
TEST_P(MelOptionsTest, EveryProcedureCalledIsDefinedOrAHostCommand) {
    const std::vector<Token>& t = script_.tokens();
    std::map<std::string, size_t> definedAt;
    std::set<std::string> globals;
    for (const Proc& p : script_.procs) {
        EXPECT_EQ(definedAt.count(p.name), 0u) << "proc " << p.name << " defined twice";
        definedAt[p.name] = p.headerToken;
        if (p.global) globals.insert(p.name);
    }

    auto checkCall = [&](const std::string& name, size_t at, int line) {
        if (hostCommands().count(name)) return;
        const auto def = definedAt.find(name);
        if (def == definedAt.end()) {
            ADD_FAILURE() << script_.path << ":" << line << ": " << name
                          << " is neither defined in the script nor a known host command";
        } else if (!globals.count(name) && def->second > at) {
            ADD_FAILURE() << script_.path << ":" << line << ": local proc " << name
                          << " used before its definition";
        }
    };

    bool insideBackticks = false;
    size_t callsSeen = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        const Token& tok = t[i];
        const Token* prev = i > 0 ? &t[i - 1] : nullptr;
        if (tok.kind == Kind::Backtick) insideBackticks = !insideBackticks;

        // Callback strings: -command "name ...", -changeCommand "name ...".
        if (tok.kind == Kind::Flag &&
            (tok.text == "-command" || tok.text == "-changeCommand" || tok.text == "-c" ||
             tok.text == "-cc") &&
            i + 1 < t.size() && t[i + 1].kind == Kind::String) {
            const std::string& code = t[i + 1].text;
            const std::string name = code.substr(0, code.find_first_of(" ;("));
            EXPECT_TRUE(hostCommands().count(name) || globals.count(name))
                << script_.path << ":" << tok.line << ": callback " << name
                << " must be a host command or a global proc of the script";
            ++callsSeen;
        }

        if (tok.kind != Kind::Identifier || keywords().count(tok.text) ||
            typeWords().count(tok.text))
            continue;
        // Definitions: "proc name(", "proc string name(", "proc string[] name(".
        if (prev && prev->text == "proc") continue;
        if (i >= 2 && typeWords().count(prev->text) && t[i - 2].text == "proc") continue;
        if (i >= 4 && t[i - 1].text == "]" && t[i - 2].text == "[" && t[i - 4].text == "proc")
            continue;

        const bool functionStyle = i + 1 < t.size() && t[i + 1].text == "(";
        bool statementStart = !prev || prev->text == ";" || prev->text == "{" ||
                              prev->text == "}" || prev->text == "else" ||
                              (prev->kind == Kind::Backtick && insideBackticks);
        if (prev && prev->kind == Kind::Punct && prev->text == ")") {
            // After the ")" of an if/while/for header a statement starts: find its "(".
            int depth = 0;
            for (size_t k = i - 1; k-- > 0;) {
                if (t[k].text == ")") ++depth;
                if (t[k].text == "(") {
                    if (depth == 0) {
                        statementStart =
                            k > 0 && (t[k - 1].text == "if" || t[k - 1].text == "while" ||
                                      t[k - 1].text == "for");
                        break;
                    }
                    --depth;
                }
            }
        }
        if (functionStyle || statementStart) {
            checkCall(tok.text, i, tok.line);
            ++callsSeen;
        }
    }
    EXPECT_GT(callsSeen, 20u) << "the call finder found almost nothing: is it broken?";
}

// Each variable is a parameter or declared (with a type, or as global) in an enclosing
// block before it is used: MEL would otherwise declare it silently on first assignment and
// read an empty value on first use, hiding a misspelt name.
TEST_P(MelOptionsTest, EveryVariableIsDeclaredBeforeUse) {
    const std::vector<Token>& t = script_.tokens();
    for (const Proc& p : script_.procs) {
        std::vector<std::set<std::string>> scopes(1);
        for (const auto& param : p.params) scopes[0].insert(param.second);
        for (size_t i = p.bodyBegin; i < p.bodyEnd; ++i) {
            const Token& tok = t[i];
            if (tok.kind == Kind::Punct && tok.text == "{") scopes.emplace_back();
            if (tok.kind == Kind::Punct && tok.text == "}" && scopes.size() > 1) scopes.pop_back();
            if (tok.kind != Kind::Variable) continue;
            if (typeWords().count(t[i - 1].text)) {
                scopes.back().insert(tok.text);
                continue;
            }
            const bool known = std::any_of(scopes.begin(), scopes.end(),
                                           [&](const auto& s) { return s.count(tok.text) > 0; });
            EXPECT_TRUE(known) << script_.path << ":" << tok.line << ": " << tok.text
                               << " used before it is declared in proc " << p.name;
        }
    }
}

// The checks above are only as good as the lexer: flags against minus signs, escapes in
// strings, procedure headers with array parameters.
TEST(MelOptionsLexer, FindsCommandsFlagsStringsAndProcedures) {
    const Lexed lexed =
        lex("global proc int f(string $a, int $b[])\n{\n  columnLayout -adj true \"x\\\"y\";\n"
            "  int $n = `size $b` - 1; // comment\n  return $n;\n}\n");
    ASSERT_TRUE(lexed.errors.empty());
    std::vector<std::string> flags, strings;
    for (const Token& tok : lexed.tokens) {
        if (tok.kind == Kind::Flag) flags.push_back(tok.text);
        if (tok.kind == Kind::String) strings.push_back(tok.text);
    }
    EXPECT_EQ(flags, std::vector<std::string>{"-adj"}) << "the minus of '- 1' is no flag";
    EXPECT_EQ(strings, std::vector<std::string>{"x\"y"});

    Script s;
    s.lexed = lexed;
    findProcs(s);
    ASSERT_EQ(s.procs.size(), 1u);
    EXPECT_EQ(s.procs[0].name, "f");
    EXPECT_TRUE(s.procs[0].global);
    const std::vector<std::pair<std::string, std::string>> params = {{"string", "$a"},
                                                                     {"int[]", "$b"}};
    EXPECT_EQ(s.procs[0].params, params);

    EXPECT_FALSE(lex("print \"open;\n").errors.empty()) << "unclosed string";
}

INSTANTIATE_TEST_SUITE_P(Dialogs, MelOptionsTest, testing::ValuesIn(dialogs()),
                         [](const testing::TestParamInfo<Dialog>& info) {
                             return std::string(info.param.translator);
                         });

}  // namespace
