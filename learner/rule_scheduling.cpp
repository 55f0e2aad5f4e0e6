#include "learner/rule_scheduling.h"

#include "fitness/job_shop.h"
#include "fitness/parallel_machines.h"
#include "fitness/single_machine.h"

namespace rules {

void scheduleWithRule(Scheduler& s, CompiledRule& rule) {
    rule.reserve(s.dueDates.cols + 1);  // the largest decision: the incumbent and every job
    switch (s.environment) {
        case Single:
            s.listScheduleSingle(RuleRef(rule));
            s.singleMachineCriteria();
            break;
        case JobShop:
            s.jobShopSchedule(RuleRef(rule));
            s.jobShopCriteria();
            break;
        default:
            s.listScheduleParallel(RuleRef(rule));
            s.parallelMachineCriteria();
            break;
    }
}

const std::vector<std::string_view>& criterionNames(int environment) {
    static const std::vector<std::string_view> kSingle = {"Twt", "Uwt", "Fwt", "Cmax"};
    static const std::vector<std::string_view> kParallel = {"Twt", "Uwt", "Fwt", "Cmax", "Tmax"};
    // The job shop adds the unweighted mean tardiness, share of tardy jobs and mean flowtime.
    static const std::vector<std::string_view> kJobShop = {"Twt", "Uwt", "Fwt", "Cmax", "T", "U", "F"};
    switch (environment) {
        case Single:
            return kSingle;
        case JobShop:
            return kJobShop;
        default:
            return kParallel;
    }
}

int criterionColumn(std::string_view name, int environment) {
    const std::vector<std::string_view>& names = criterionNames(environment);
    for (std::size_t c = 0; c < names.size(); ++c)
        if (names[c] == name) return static_cast<int>(c);
    return -1;
}

double criterionTotal(const Scheduler& s, int column) { return s.results.get(s.results.rows - 1, column); }

}  // namespace rules
