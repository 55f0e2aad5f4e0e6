// Any bytes as a matrix file. A file that reads must also survive a write and a second read,
// and its second writing must equal the first: six significant digits are a fixed point.
#include <cstdlib>

#include "core/matrice.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::startInput();
    fuzzing::writeFile("m.txt", fuzzing::asText(data, size));
    fuzzing::untilCleanStop([] {
        Matrix read;
        read.read("m.txt");
        read.write("first.txt");
        Matrix again;
        again.read("first.txt");
        again.write("second.txt");
        if (again.rows != read.rows || again.cols != read.cols) std::abort();
        if (fuzzing::readFile("first.txt") != fuzzing::readFile("second.txt")) std::abort();
    });
    return 0;
}
