#pragma once
// The USB access layer of the platform: finds the first unit, claims it and
// hands back its pipes. On failure it reports one line on standard error.

#include <memory>

class UsbPipes;

int iOpenUsbBackend(std::unique_ptr<UsbPipes> *ppPipes);
