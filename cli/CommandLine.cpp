#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>
#include <algorithm>
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

}  // namespace

struct CCommandLine::Parser {
    CommandApp app;
    std::vector<std::pair<const CLI::Option*, Reader>> readers;
    const CLI::Option* operandOption = nullptr;
    std::vector<std::string> operands;
    Reader readOperand;
};

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
}

void CCommandLine::Option(const std::string& name, Reader read) {
    const CLI::Option* option = m_parser->app.add_option(name);
    m_parser->readers.emplace_back(option, std::move(read));
}

void CCommandLine::Operands(Reader read) {
    m_parser->operandOption = m_parser->app.add_option("operands", m_parser->operands);
    m_parser->readOperand = std::move(read);
}

void CCommandLine::Parse(int argc, char** argv) {
    CommandApp& app = m_parser->app;
    // CLI11 takes the arguments last first.
    std::vector<std::string> arguments(argv, argv + argc);
    std::reverse(arguments.begin(), arguments.end());
    try {
        app.parse(arguments);
    } catch (const CLI::ArgumentMismatch& error) {
        throw UsageError(OptionNamed(error) + " needs a value");
    } catch (const CLI::ParseError& error) {
        throw UsageError(error.what());
    }
    if (const std::string* stray = app.FirstStray()) {
        throw UsageError("unexpected argument " + *stray);
    }
    std::vector<const CLI::Option*> read;
    for (const CLI::Option* option : app.parse_order()) {
        if (std::find(read.begin(), read.end(), option) != read.end()) {
            continue;
        }
        read.push_back(option);
        if (option == m_parser->operandOption) {
            for (const std::string& operand : m_parser->operands) {
                m_parser->readOperand(operand);
            }
            continue;
        }
        for (const auto& [named, reader] : m_parser->readers) {
            if (named == option) {
                // Each value is checked, also those a later one replaces.
                for (const std::string& value : option->results()) {
                    reader(value);
                }
            }
        }
    }
}
