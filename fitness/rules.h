#pragma once

// The classical priority rules of the evaluator's heuristics, as free functions over one decision:
// each returns the priority of one candidate job, the greatest is dispatched. They read the set in
// hand unchecked: the dispatcher has checked its tables before the first decision.
#include <algorithm>

#include "fitness/decision.h"

// --- single and uniform machines (each rule gives its single-machine and its uniform-machine formula)
double priorityEDD(const ListDecision& at, int job);
double priorityWSPT(const ListDecision& at, int job);
double priorityRM(const ListDecision& at, int job);
double priorityXDRM(const ListDecision& at, int job);
double priorityMON(const ListDecision& at, int job);
double priorityATCS(const ListDecision& at, int job);
double priorityLNS(const ListDecision& at, int job);
double priorityHLF(const ListDecision& at, int job);
double prioritySetupMakespan(const ListDecision& at, int job);

// --- job shop: each rates the job's next operation
double jobShopWSPT(const ShopDecision& at, int job);
double jobShopWSPTTWKR(const ShopDecision& at, int job);
double jobShopCOVERT(const ShopDecision& at, int job);
double jobShopSlackTWKR(const ShopDecision& at, int job);
double jobShopRM(const ShopDecision& at, int job);
double jobShopEDD(const ShopDecision& at, int job);
double jobShopWTWKR(const ShopDecision& at, int job);

// The durations of the job's operations from position `first` to the end of its route, summed in
// route order.
double remainingWork(const SetInHand& set, int job, int first);

// max(x, 0) as every rule takes it (a not-a-number stays one), the classical rules and the
// learner's compiled expressions alike, so that a rule written both ways gives the same doubles.
inline double positivePart(double x) { return std::max(x, 0.0); }
