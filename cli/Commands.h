#pragma once

// The subcommands of vavirir-cli. Each takes the arguments after its name and
// returns the exit code: 0 done, 1 runtime error, 2 usage error.
int RunDecode(int argc, char** argv);
int RunReplay(int argc, char** argv);
int RunDump(int argc, char** argv);
int RunExport(int argc, char** argv);
int RunPorts(int argc, char** argv);
int RunRecord(int argc, char** argv);
int RunDownload(int argc, char** argv);
int RunJournals(int argc, char** argv);
int RunRecover(int argc, char** argv);
int RunFft(int argc, char** argv);

// The full text `vavirir-cli COMMAND --help` prints: the usage, then what the
// command does and what its options mean.
const char* DecodeHelp();
const char* ReplayHelp();
const char* DumpHelp();
const char* ExportHelp();
const char* PortsHelp();
const char* RecordHelp();
const char* DownloadHelp();
const char* JournalsHelp();
const char* RecoverHelp();
const char* FftHelp();
