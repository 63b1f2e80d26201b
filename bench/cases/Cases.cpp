#include "Cases.h"

Result NotRun(const std::string& why) {
    Result r;
    r.why = why;
    return r;
}

Variant PluginVariant(const Context& c, int ops, const std::function<double()>& rep) {
    return Variant{ops, rep, c.plugin ? std::string() : c.pluginWhy};
}

Plan Budget(const Context& c, double seconds, int minReps, int maxReps, int warmup) {
    Plan plan;
    plan.budget = seconds * c.scale;
    plan.minReps = minReps;
    plan.maxReps = maxReps;
    plan.warmup = warmup;
    return plan;
}
