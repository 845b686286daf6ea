#pragma once
// Constant tables of ISO/IEC 11172-3 and 13818-3 used by the frame header, Layers I and II and the
// polyphase synthesis. Each lives in its own tables_*.cpp file.

namespace mp3dec {

// Bitrates in kbit/s, [version][layer - 1][bitrate index 0..14]; index 0 (free format) is 0.
extern const int kBitrates[2][3][15];
// Sampling frequencies in kHz, [version (2 = MPEG 2.5)][index]; index 3 is reserved and 0.
extern const double kSamplingFrequencies[3][4];
// First jointly coded subband, [layer - 1][mode extension].
extern const int kJointStereoBounds[3][4];

// Layer I and II scale factors; index 63 means nothing was coded.
extern const double kScaleFactors[64];

// Layer II requantisation constants, [quantisation class]; also the steps and code width of each class.
constexpr int kQuantClasses = 17;
extern const double kRequantC[kQuantClasses];
extern const double kRequantD[kQuantClasses];
struct QuantClass {
    int steps;
    int bits;     // width of one code (grouped classes: the code of three samples)
    bool grouped;
};
extern const QuantClass kQuantClassInfo[kQuantClasses];

// Layer II bit-allocation tables: 0..3 = ISO/IEC 11172-3 Tables 3-B.2a..d, 4 = the MPEG-2 table of
// ISO/IEC 13818-3. A table is a list of subband ranges sharing an allocation-field width and the quantisation
// classes selected by allocation indices 1..2^width - 1.
struct AllocSubbandRange {
    int subbands;
    int allocation_bits;
    int classes[15];
};
struct AllocTableDescription {
    int range_count;
    AllocSubbandRange ranges[4];
};
constexpr int kAllocTableCount = 5;
extern const AllocTableDescription kAllocTables[kAllocTableCount];

// Synthesis window coefficients D[0..511].
extern const double kSynthesisWindow[512];

}  // namespace mp3dec
