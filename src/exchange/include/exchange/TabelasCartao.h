#pragma once

#include <QString>

// Card brand and network names, as the TEF library reports them, to the codes the
// point-of-sale software expects. Lookup is by the exact, case-sensitive whole name.

// Five-digit brand code; "00000" for a known brand without a code of its own,
// "000000" (six zeros) for a name not in the table.
QString codigoBandeira(const QString &nome);

// Network code in decimal; "0" for a known network without a code and for an unknown name.
QString codigoRede(const QString &nome);

// Sizes of the tables (210 brands, 64 networks).
int quantidadeBandeiras();
int quantidadeRedes();
