#pragma once
// TDdeClientConv: the main window's DDE client conversation with Program Manager.

#include <memory>

namespace vel {

class TMainForm;

class TDdeClientConv {
public:
    TDdeClientConv() = default;
    TDdeClientConv(const TDdeClientConv&) = delete;
    TDdeClientConv& operator=(const TDdeClientConv&) = delete;
    ~TDdeClientConv() = default;
};

// Created with the main window; connects by itself.
std::unique_ptr<TDdeClientConv> CreateDdeClientConv(TMainForm& owner);

}  // namespace vel
