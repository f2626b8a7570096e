#include "app/Seletores.h"

#include <QColorDialog>
#include <QFileDialog>

namespace seletores {
namespace {

Substituto &substitutoAtual()
{
    static Substituto s;
    return s;
}

} // namespace

QString escolherCor()
{
    if (substitutoAtual())
        return substitutoAtual()(Tipo::Cor);
    const QColor cor =
        QColorDialog::getColor(QColor(), nullptr, QStringLiteral("Selecione a cor"), QColorDialog::DontUseNativeDialog);
    return cor.isValid() ? cor.name() : QString();
}

QString escolherPasta()
{
    if (substitutoAtual())
        return substitutoAtual()(Tipo::Pasta);
    return QFileDialog::getExistingDirectory(nullptr, QStringLiteral("Selecione um diretório"), QString(),
                                             QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
}

QString escolherArquivo()
{
    if (substitutoAtual())
        return substitutoAtual()(Tipo::Arquivo);
    return QFileDialog::getOpenFileName(nullptr, QStringLiteral("Selecione um arquivo"), QString(),
                                        QStringLiteral("Arquivos de imagem (*.png)"));
}

void substituir(Substituto substituto)
{
    substitutoAtual() = std::move(substituto);
}

} // namespace seletores
