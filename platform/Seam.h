#pragma once
// What each interface to the system is: used through a reference to the one object behind it, never
// copied, so never sliced.

namespace tovalset {

class Seam {
public:
    Seam(const Seam&) = delete;
    Seam& operator=(const Seam&) = delete;
    virtual ~Seam() = default;

protected:
    Seam() = default;
};

} // namespace tovalset
