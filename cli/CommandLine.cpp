#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/CliSupport.h"

namespace {

// CLI11's application, which keeps what it could not place; the end-of-options
// mark "--" it keeps there too is no stray argument.
class CommandApp : public CLI::App {
  public:
    const std::string* FirstStray() const {
        for (const auto& [kind, argument] : missing_) {
            if (kind != CLI::detail::Classifier::POSITIONAL_MARK) {
                return &argument;
            }
        }
        return nullptr;
    }
};

// CLI11 names the option that ran out of arguments before the first ':' of
// its message ("--port: 1 required TEXT missing").
std::string OptionNamed(const CLI::ArgumentMismatch& error) {
    const std::string message = error.what();
    return message.substr(0, message.find(':'));
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// "--json=yes": a flag takes no value.
bool IsFlagWithValue(const std::string& argument, const std::vector<std::string>& flags) {
    const std::size_t equals = argument.find('=');
    return argument.starts_with("--") && equals != std::string::npos &&
           Contains(flags, std::string_view(argument).substr(0, equals));
}

// The options' part of the command line: it ends at the index of "--" (or at
// the argument count without one); the first flag given a value in it, if any.
struct OptionsPart {
    std::size_t end = 0;
    const std::string* flagWithValue = nullptr;
};

OptionsPart FindOptionsPart(const std::vector<std::string>& arguments,
                            const std::vector<std::string>& valueOptions,
                            const std::vector<std::string>& flags) {
    OptionsPart part{arguments.size(), nullptr};
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--") {
            part.end = i;
            break;
        }
        if (part.flagWithValue == nullptr && IsFlagWithValue(arguments[i], flags)) {
            part.flagWithValue = &arguments[i];
        }
        if (Contains(valueOptions, arguments[i])) {
            ++i;  // its value can be anything, "--" too
        }
    }
    return part;
}

// Looks like an option: CLI11 reads "-5" or "---x" as an operand.
bool LooksLikeOption(const std::string& argument) {
    return argument.size() > 1 && argument[0] == '-';
}

}  // namespace

struct CCommandLine::Parser {
    CommandApp app;
    std::vector<std::string> flags;
    std::vector<std::string> valueOptions;
    std::vector<std::pair<const CLI::Option*, Reader>> readers;
    const CLI::Option* operandOption = nullptr;
    std::vector<std::string> operands;
    Reader readOperand;

    // The first argument, in the order given, that is no option of the
    // command, no value of one and no operand it takes; null when all are.
    const std::string* FirstStray(const std::vector<std::string>& arguments, std::size_t end) const;
    void ReadInOrder() const;
};

const std::string* CCommandLine::Parser::FirstStray(const std::vector<std::string>& arguments,
                                                    std::size_t end) const {
    std::vector<const std::string*> strays;
    if (const std::string* stray = app.FirstStray()) {
        strays.push_back(stray);
    }
    // The operands after "--" are the last ones; those before it must not look like options.
    const std::size_t afterEnd = end < arguments.size() ? arguments.size() - end - 1 : 0;
    for (std::size_t i = 0; i + afterEnd < operands.size(); ++i) {
        if (LooksLikeOption(operands[i])) {
            strays.push_back(&operands[i]);
            break;
        }
    }
    auto position = [&arguments](const std::string* stray) {
        return std::find(arguments.begin(), arguments.end(), *stray) - arguments.begin();
    };
    const auto first = std::min_element(
        strays.begin(), strays.end(),
        [&](const std::string* a, const std::string* b) { return position(a) < position(b); });
    return first == strays.end() ? nullptr : *first;
}

void CCommandLine::Parser::ReadInOrder() const {
    std::vector<const CLI::Option*> read;
    for (const CLI::Option* option : app.parse_order()) {
        if (std::find(read.begin(), read.end(), option) != read.end()) {
            continue;
        }
        read.push_back(option);
        if (option == operandOption) {
            for (const std::string& operand : operands) {
                readOperand(operand);
            }
            continue;
        }
        for (const auto& [named, reader] : readers) {
            if (named == option) {
                // Each value is checked, also those a later one replaces.
                for (const std::string& value : option->results()) {
                    reader(value);
                }
            }
        }
    }
}

CCommandLine::CCommandLine() : m_parser(std::make_unique<Parser>()) {
    CLI::App& app = m_parser->app;
    // vavirir-cli answers --help and --version before a command reads its
    // arguments, wherever they stand.
    app.set_help_flag();
    // Stray arguments are reported in the tool's words, not CLI11's.
    app.allow_extras();
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CCommandLine::~CCommandLine() = default;

void CCommandLine::Flag(const std::string& name, bool& on) {
    m_parser->app.add_flag(name, on);
    m_parser->flags.push_back(name);
}

void CCommandLine::Option(const std::string& name, Reader read) {
    const CLI::Option* option = m_parser->app.add_option(name);
    m_parser->valueOptions.push_back(name);
    m_parser->readers.emplace_back(option, std::move(read));
}

void CCommandLine::Operands(Reader read) {
    m_parser->operandOption = m_parser->app.add_option("operands", m_parser->operands);
    m_parser->readOperand = std::move(read);
}

void CCommandLine::Parse(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    const OptionsPart options = FindOptionsPart(arguments, m_parser->valueOptions, m_parser->flags);
    if (options.flagWithValue != nullptr) {
        throw UsageError("unexpected argument " + *options.flagWithValue);
    }
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        m_parser->app.parse(reversed);
    } catch (const CLI::ArgumentMismatch& error) {
        throw UsageError(OptionNamed(error) + " needs a value");
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    if (const std::string* stray = m_parser->FirstStray(arguments, options.end)) {
        throw UsageError("unexpected argument " + *stray);
    }
    m_parser->ReadInOrder();
}
