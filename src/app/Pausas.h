#pragma once

// The pauses the flow is built with, in one place and with their real values:
// how long the cashier reads a screen before the POS gets its answer. Tests
// run with them shortened (encurtadas); one test checks the values themselves.
struct Pausas
{
    // The cashier reads why a request was not carried out.
    unsigned long mensagemFalhaMs = 3000;

    // The same pauses divided by `fator` (tests).
    Pausas encurtadas(unsigned long fator) const
    {
        Pausas p = *this;
        p.mensagemFalhaMs /= fator;
        return p;
    }
};
