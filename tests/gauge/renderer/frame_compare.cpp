// Compares two raw 300 x 300 X8R8G8B8 frames: prints the largest channel
// difference and the share of pixels that differ by more than one, and fails
// when a difference exceeds the bounds that the compositors are held to.
//
//   frame_compare A.raw B.raw [MAX_DIFF [MAX_SHARE_PERCENT [BY_MORE_THAN]]]
// The share counts pixels whose largest channel difference is more than
// BY_MORE_THAN (default 1).
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s A.raw B.raw [MAX_DIFF [MAX_SHARE_PERCENT]]\n", argv[0]);
        return 2;
    }
    const int maxAllowed = argc > 3 ? std::atoi(argv[3]) : 2;
    const double shareAllowed = argc > 4 ? std::atof(argv[4]) : 1.0;
    const int byMoreThan = argc > 5 ? std::atoi(argv[5]) : 1;
    const size_t bytes = 300 * 300 * 4;
    std::vector<unsigned char> a(bytes), b(bytes);
    for (int k = 0; k < 2; ++k) {
        FILE* f = std::fopen(argv[1 + k], "rb");
        if (!f || std::fread(k ? b.data() : a.data(), 1, bytes, f) != bytes) {
            std::fprintf(stderr, "cannot read %s\n", argv[1 + k]);
            return 2;
        }
        std::fclose(f);
    }
    int largest = 0;
    long beyondOne = 0;
    long differing = 0;
    for (size_t i = 0; i < bytes; i += 4) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) {
            const int d = std::abs(a[i + c] - b[i + c]);
            worst = d > worst ? d : worst;
        }
        largest = worst > largest ? worst : largest;
        differing += worst > 0;
        beyondOne += worst > byMoreThan;
    }
    const double share = 100.0 * static_cast<double>(beyondOne) / (300.0 * 300.0);
    std::printf("%s vs %s: largest channel difference %d, pixels differing %ld (%.3f%%), "
                "by more than %d: %.3f%%\n",
                argv[1], argv[2], largest, differing, 100.0 * differing / 90000.0, byMoreThan, share);
    return largest <= maxAllowed && share < shareAllowed ? 0 : 1;
}
