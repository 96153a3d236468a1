#pragma once

// The arguments of one vavirir-cli command, read with CLI11. Every command
// words its usage errors the same way: a UsageError "--out needs a value" for
// an option at the end without its value, "unexpected argument X" for an
// option the command does not know (or an operand it takes none of), and
// whatever an option's or the operands' reader throws for a value it cannot
// use. The readers run in the order their arguments stand on the command
// line, so the first wrong argument is the one reported.

#include <functional>
#include <memory>
#include <string>

class CCommandLine {
  public:
    using Reader = std::function<void(const std::string& value)>;

    CCommandLine();
    ~CCommandLine();
    CCommandLine(const CCommandLine&) = delete;
    CCommandLine& operator=(const CCommandLine&) = delete;

    // --name without a value: `on` becomes true when it is given.
    void Flag(const std::string& name, bool& on);
    // --name VALUE: `read` gets the value; of an option given more than once,
    // each value in turn, so the last one counts.
    void Option(const std::string& name, Reader read);
    // The arguments that are not options (and every one after "--"): `read`
    // gets each in turn. A command without operands refuses them.
    void Operands(Reader read);

    // Reads the arguments after the command's name; throws UsageError.
    void Parse(int argc, char** argv);

  private:
    struct Parser;
    std::unique_ptr<Parser> m_parser;
};
