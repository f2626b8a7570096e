#pragma once

#include <QString>

#include <functional>

// The three modal pickers of the configuration popup. A test replaces them
// with a stand-in, since a modal dialog would block an unattended run.
namespace seletores {

enum class Tipo { Cor, Pasta, Arquivo };

using Substituto = std::function<QString(Tipo)>;

// Empty text when the operator cancels.
QString escolherCor();
QString escolherPasta();
QString escolherArquivo();

// Replaces every picker until called again with an empty function.
void substituir(Substituto substituto);

} // namespace seletores
