// travikcam check: a compliance and soak run of the SDK against one camera.
#pragma once

namespace travikcam {

// Whether a command-line word is the check verb.
bool IsCheckVerb(const char* word);
bool IsCheckVerb(const wchar_t* word);
// Runs `check` with the words after the verb; the exit status: 0 all passed, 1 a case failed,
// 2 wrong arguments.
int RunCheck(int argc, char** argv);
int RunCheck(int argc, wchar_t** argv);

} // namespace travikcam
