// TFileExtComponent: a component that claims a set of file extensions.
#pragma once

#include "highlight/SortedStringList.h"

#include <QStringView>

namespace korvel {

class TFileExtComponent {
public:
    virtual ~TFileExtComponent() = default;
    TFileExtComponent(const TFileExtComponent&) = delete;
    TFileExtComponent& operator=(const TFileExtComponent&) = delete;

    // The extensions claimed, such as ".dfm": sorted, without duplicates, ignoring case.
    const TSortedStringList& FileExtList() const noexcept { return FFileExtList; }
    TSortedStringList& FileExtList() noexcept { return FFileExtList; }

    // True when ext (with its dot, such as ".DFM") is claimed, ignoring case.
    virtual bool HasExt(QStringView ext) const { return FFileExtList.Contains(ext); }

protected:
    TFileExtComponent() = default;
    // Fills the extension list; the first step of construction.
    virtual void AddFileExts() { }

private:
    TSortedStringList FFileExtList;
};

} // namespace korvel
