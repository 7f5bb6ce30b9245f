// travikcam check: groups of named cases, their results, the summary table and JUnit XML.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace travikcam {

// How hard a check run works the camera.
enum class CheckDepth { Quick, Normal, Long };

struct CheckOptions {
    int device = 0;
    CheckDepth depth = CheckDepth::Normal;
    std::string junitPath;
    // The random choices of the chaos and unplug groups follow this seed, printed at the start
    // so that a failing run can be replayed with --seed.
    unsigned seed = 0;
    bool seedGiven = false;
    int soakSeconds = 600; // the long run's soak
    std::string onlyGroup; // run this group alone (for developers)
};

struct CaseResult {
    std::string name;
    bool passed = true;
    std::string reason; // one line, for a failure
    double seconds = 0;
};

struct GroupResult {
    std::string name;
    std::vector<CaseResult> cases;
    double seconds = 0;
    int Failed() const;
};

// A case returns an empty string when it passed, or the one-line reason why it failed.
using CaseBody = std::function<std::string()>;

// Collects the cases of one group and times them.
class GroupRun {
  public:
    explicit GroupRun(std::string name);
    void Case(const std::string& name, const CaseBody& body);
    // Records a case whose outcome was worked out elsewhere.
    void Record(const std::string& name, const std::string& failure);
    GroupResult Finish();

  private:
    GroupResult m_result;
    unsigned long m_start;
};

// Prints the table of groups with a reason line under each failure; the total line last.
void PrintSummary(const std::vector<GroupResult>& groups);
// Writes JUnit XML: one test suite per group, one test case per case; false when it cannot.
bool WriteJUnit(const std::string& path, const std::vector<GroupResult>& groups);

} // namespace travikcam
