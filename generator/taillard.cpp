#include "generator/taillard.h"

#include <utility>

namespace {

// Time seed, machine seed, jobs, machines of ta01 ... ta80, as published with the benchmark.
constexpr TaillardEntry TaillardTable[kTaillardInstanceCount] = {
    { 840612802,  398197754,  15, 15},  // ta01
    {1314640371,  386720536,  15, 15},  // ta02
    {1227221349,  316176388,  15, 15},  // ta03
    { 342269428, 1806358582,  15, 15},  // ta04
    {1603221416, 1501949241,  15, 15},  // ta05
    {1357584978, 1734077082,  15, 15},  // ta06
    {  44531661, 1374316395,  15, 15},  // ta07
    { 302545136, 2092186050,  15, 15},  // ta08
    {1153780144, 1393392374,  15, 15},  // ta09
    {  73896786, 1544979948,  15, 15},  // ta10
    { 533484900,  317419073,  20, 15},  // ta11
    {1894307698, 1474268163,  20, 15},  // ta12
    { 874340513,  509669280,  20, 15},  // ta13
    {1124986343, 1209573668,  20, 15},  // ta14
    {1463788335,  529048107,  20, 15},  // ta15
    {1056908795,   25321885,  20, 15},  // ta16
    { 195672285, 1717580117,  20, 15},  // ta17
    { 961965583, 1353003786,  20, 15},  // ta18
    {1610169733, 1734469503,  20, 15},  // ta19
    { 532794656,  998486810,  20, 15},  // ta20
    {1035939303,  773961798,  20, 20},  // ta21
    {   5997802, 1872541150,  20, 20},  // ta22
    {1357503601,  722225039,  20, 20},  // ta23
    { 806159563, 1166962073,  20, 20},  // ta24
    {1902815253, 1879990068,  20, 20},  // ta25
    {1503184031, 1850351876,  20, 20},  // ta26
    {1032645967,   99711329,  20, 20},  // ta27
    { 229894219, 1158117804,  20, 20},  // ta28
    { 823349822,  108033225,  20, 20},  // ta29
    {1297900341,  489486403,  20, 20},  // ta30
    {  98640593, 1981283465,  30, 15},  // ta31
    {1839268120,  248890888,  30, 15},  // ta32
    { 573875290, 2081512253,  30, 15},  // ta33
    {1670898570,  788294565,  30, 15},  // ta34
    {1118914567, 1074349202,  30, 15},  // ta35
    { 178750207,  294279708,  30, 15},  // ta36
    {1549372605,  596993084,  30, 15},  // ta37
    { 798174738,  151685779,  30, 15},  // ta38
    { 553410952, 1329272528,  30, 15},  // ta39
    {1661531649, 1173386294,  30, 15},  // ta40
    {1841414609, 1357882888,  30, 20},  // ta41
    {2116959593, 1546338557,  30, 20},  // ta42
    { 796392706, 1230864158,  30, 20},  // ta43
    { 532496463,  254174057,  30, 20},  // ta44
    {2020525633,  978943053,  30, 20},  // ta45
    { 524444252,  185526083,  30, 20},  // ta46
    {1569394691,  487269855,  30, 20},  // ta47
    {1460267840, 1631446539,  30, 20},  // ta48
    { 198324822, 1937476577,  30, 20},  // ta49
    {  38071822, 1541985579,  30, 20},  // ta50
    {     17271,     718939,  50, 15},  // ta51
    { 660481279,  449650254,  50, 15},  // ta52
    { 352229765,  949737911,  50, 15},  // ta53
    {1197518780,  166840558,  50, 15},  // ta54
    {1376020303,  483922052,  50, 15},  // ta55
    {2106639239,  955932362,  50, 15},  // ta56
    {1765352082, 1209982549,  50, 15},  // ta57
    {1105092880, 1349003108,  50, 15},  // ta58
    { 907248070,  919544535,  50, 15},  // ta59
    {2011630757, 1845447001,  50, 15},  // ta60
    {   8493988,    2738939,  50, 20},  // ta61
    {1991925010,  709517751,  50, 20},  // ta62
    { 342093237,  786960785,  50, 20},  // ta63
    {1634043183,  973178279,  50, 20},  // ta64
    { 341706507,  286513148,  50, 20},  // ta65
    { 320167954, 1411193018,  50, 20},  // ta66
    {1089696753,  298068750,  50, 20},  // ta67
    { 433032965, 1589656152,  50, 20},  // ta68
    { 615974477,  331205412,  50, 20},  // ta69
    { 236150141,  592292984,  50, 20},  // ta70
    { 302034063, 1203569070, 100, 20},  // ta71
    {1437643198, 1692025209, 100, 20},  // ta72
    {1792475497, 1039908559, 100, 20},  // ta73
    {1647273132, 1012841433, 100, 20},  // ta74
    { 696480901, 1689682358, 100, 20},  // ta75
    {1785569423, 1092647459, 100, 20},  // ta76
    { 117806902,  739059626, 100, 20},  // ta77
    {1639154709, 1319962509, 100, 20},  // ta78
    {2007423389,  749368241, 100, 20},  // ta79
    { 682761130,  262763021, 100, 20},  // ta80
};

// An integer from 0 to range - 1 from the next value of the seed.
int drawBelow(std::int32_t& seed, int range) { return static_cast<int>(taillardNext(seed) * range); }

}  // namespace

const TaillardEntry& taillardEntry(int instance) { return TaillardTable[instance - 1]; }

double taillardNext(std::int32_t& seed) {
    const std::int32_t k = seed / 127773;
    seed = 16807 * (seed % 127773) - 2836 * k;
    if (seed < 0) seed += 2147483647;
    return seed / 2147483647.0;
}

TaillardInstance generateTaillardInstance(int instance) {
    const TaillardEntry& entry = taillardEntry(instance);
    TaillardInstance result;
    result.jobs = entry.jobs;
    result.machines = entry.machines;
    std::int32_t timeSeed = entry.timeSeed;
    for (int j = 0; j < result.jobs; ++j)
        for (int k = 0; k < result.machines; ++k)
            result.times[j][k] = static_cast<std::int16_t>(1 + drawBelow(timeSeed, 99));
    // Each route starts as 0, 1, ..., m - 1 and is shuffled by swaps with a later position.
    std::int32_t machineSeed = entry.machineSeed;
    for (int j = 0; j < result.jobs; ++j) {
        auto& route = result.machineOf[j];
        for (int k = 0; k < result.machines; ++k) route[k] = static_cast<std::int16_t>(k);
        for (int k = 0; k < result.machines; ++k) {
            const int t = drawBelow(machineSeed, result.machines - k);
            std::swap(route[k], route[k + t]);
        }
    }
    return result;
}

void generateTaillardSets(Matrix& processingTimes, Matrix& jobCount, Matrix& processingSum) {
    processingTimes.initZero(kTaillardInstanceCount, kTaillardColumns);
    processingSum.initZero(kTaillardInstanceCount, 1);
    jobCount.initZero(kTaillardInstanceCount, 1);
    for (int instance = 1; instance <= kTaillardInstanceCount; ++instance) {
        const TaillardInstance data = generateTaillardInstance(instance);
        const int row = instance - 1;
        jobCount.set(row, data.jobs);
        double* codes = processingTimes.rowData(row);
        double sum = 0.0;
        for (int j = 0; j < data.jobs; ++j)
            for (int k = 0; k < data.machines; ++k) {
                sum += data.times[j][k];
                codes[j * data.machines + k] = data.times[j][k] + 1000.0 * data.machineOf[j][k];
            }
        processingSum.set(row, sum / data.machines);
    }
}
