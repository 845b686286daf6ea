#pragma once
// The taps of an FIR filter as read from a "Filter Logfile": one coefficient per line, ";" comment lines.
// The main window owns one set for its whole life; every read replaces the previous content.

#include <memory>
#include <string>

class CFilterCoefficients {
public:
    CFilterCoefficients();
    virtual ~CFilterCoefficients();
    CFilterCoefficients(const CFilterCoefficients&) = delete;
    CFilterCoefficients& operator=(const CFilterCoefficients&) = delete;

    // Replaces the content with the coefficients of the file; on false the set is empty. Fails when the
    // file cannot be read, holds fewer than 3 coefficient lines or the array cannot be allocated.
    bool Read(const std::string& path);

    // Empties the set: no array, count 0, empty file name.
    void Reset();

    int GetCount() const { return m_count; }
    // The GetCount() taps in file order; nullptr when the set is empty.
    const double* GetCoefficients() const { return m_coefficients.get(); }
    // The sum of the taps in index order; 0.0 when empty. For display only, nothing is normalised.
    double GetGain() const;
    // The path of the last successful read; empty when the set is empty.
    const std::string& GetFileName() const { return m_fileName; }

private:
    std::string m_fileName;
    int m_count = 0;
    std::unique_ptr<double[]> m_coefficients;
};
