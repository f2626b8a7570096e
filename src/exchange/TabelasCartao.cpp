#include "exchange/TabelasCartao.h"

#include <QHash>

namespace {

struct Bandeira
{
    const char16_t *nome;
    const char16_t *codigo;
};

struct Rede
{
    const char16_t *nome;
    int codigo;
};

// Brands with a code of their own.
const Bandeira bandeirasComCodigo[] = {
    {u"Visa", u"00001"},
    {u"Mastercard", u"00002"},
    {u"Diners", u"00003"},
    {u"Amex", u"00004"},
    {u"Private label Private label mcw", u"00007"},
    {u"Jcb", u"00011"},
    {u"Hipercard", u"00012"},
    {u"Aura", u"00013"},
    {u"Losango Mais", u"00014"},
    {u"Sorocred", u"00015"},
};

// Known brands without a code of their own: "00000", told apart from an unknown name.
const char16_t *const bandeirasSemCodigo[] = {
    u"Abc_cartoes",
    u"Abc_com_voce",
    u"Abc_financial",
    u"Abrapetite voucher",
    u"Accredito",
    u"Alelo",
    u"Alianca",
    u"Alimentacao pass",
    u"Alliance",
    u"Amazoncard",
    u"Autocred",
    u"Avancard crédito",
    u"Avancard débito",
    u"Bamex beneficios",
    u"Banco_sim",
    u"Bancobrasil",
    u"Bancoob",
    u"Banescard",
    u"Banese",
    u"Banesecard",
    u"Banesecard cred",
    u"Banesecard deb",
    u"Banesecard voucher",
    u"Banestes",
    u"Banestik",
    u"Banpara",
    u"Banquet",
    u"Banricard",
    u"Banrisul",
    u"Basa",
    u"Basecard",
    u"Ben",
    u"Biq beneficios",
    u"Bluecash",
    u"Bnb",
    u"Boticario",
    u"Bradesco",
    u"Brasil",
    u"Brb",
    u"Brcard",
    u"Cabal",
    u"Cabal vale",
    u"Cacique",
    u"Calcard",
    u"Card ideal",
    u"Carrefour",
    u"Cdc card",
    u"Cef",
    u"Celetem",
    u"Cetelem",
    u"Comprocard",
    u"Comunix",
    u"Controllife",
    u"Convcard",
    u"Convenicard",
    u"Cooper alimentação",
    u"Cooper beneficio",
    u"Cooper crédito",
    u"Cooper cultura",
    u"Cooper gift",
    u"Cooper refeição",
    u"Coopercard",
    u"Coopercard crédito",
    u"Coopercard voucher",
    u"Credishop",
    u"Credistar",
    u"Credix",
    u"Credmais",
    u"Credpar",
    u"Credpar crédito",
    u"Credsystem",
    u"Credz",
    u"Cresol",
    u"Dacasacard",
    u"Discover",
    u"Dotz",
    u"Drogabella",
    u"Edmcard",
    u"Elo",
    u"Elo alimentação",
    u"Elo virtual",
    u"Esplanada",
    u"Eucard",
    u"Eucard crédito",
    u"Eucard débito",
    u"Extracard Federalinvest",
    u"Fic-itau",
    u"Fidelize",
    u"Flex car",
    u"Flexocard",
    u"Fortbrasil",
    u"Fortbrasil crédito",
    u"Forth_brasil",
    u"Ftccards",
    u"Gax",
    u"Gcard",
    u"Globalcard",
    u"Goiascard",
    u"Goldx",
    u"Goodcard",
    u"Goodcard crédito",
    u"Goodvale",
    u"Graalcard",
    u"Grandcard",
    u"Greencard",
    u"Hiper",
    u"Hsbc",
    u"Hugcards",
    u"Incentive_house",
    u"Intertrade",
    u"Itau",
    u"Itautec",
    u"Jcb internacional",
    u"Jcb nacional",
    u"Jetpar",
    u"Libercard",
    u"Libercard crédito",
    u"Libercard débito",
    u"Lifecard",
    u"Mastercard Maxxcard",
    u"Maxxcard crédito",
    u"Maxxcard débito",
    u"Maxxicard",
    u"Maxxvan beneficios",
    u"Megavalecard crédito",
    u"Megavalecard débito",
    u"Mercantil brasil",
    u"Micromob",
    u"Mobility pass Multicomprafacil",
    u"Neus",
    u"Nordeste",
    u"Nossa caixa",
    u"Nutricard",
    u"Nutricash",
    u"Nutricash frota",
    u"Onecard",
    u"Pagamento carne",
    u"Panamericano",
    u"Personalcard",
    u"Planinvesti",
    u"Planvale",
    u"Portalcard",
    u"Portugues negoci",
    u"Praticard",
    u"Private label visa",
    u"Quatrocard",
    u"Rede compras",
    u"Redecomp benéfic",
    u"Redecomp crédito",
    u"Redecomp débito",
    u"Refeisul",
    u"Resgate prêmio",
    u"Restaurante",
    u"Romcard",
    u"Rural",
    u"Safra",
    u"Santander",
    u"Sccard",
    u"Senff",
    u"Senff aliment",
    u"Senff auto",
    u"Senff beneficios",
    u"Senff crédito",
    u"Senff refeição",
    u"Sicred",
    u"Simcred",
    u"Sind crédito",
    u"Sodexo",
    u"Softcred",
    u"Suedcard",
    u"Supercard",
    u"Sysdata",
    u"Systemcard",
    u"Ticket",
    u"Trendcard",
    u"Triocard",
    u"Unik",
    u"Unocard",
    u"Up",
    u"Up crédito",
    u"Utilizecards",
    u"Valecard",
    u"Valeconcard",
    u"Valecred",
    u"Venda crediário",
    u"Verdecard",
    u"Verdecard crédito",
    u"Verdecard débito",
    u"Verocard",
    u"Verocard cultura",
    u"Verocheque",
    u"Vics_avant",
    u"Visa electron nacional",
    u"Visa vale alimentação",
    u"Visa vale refeição",
    u"Vmx",
    u"Volus crédito",
    u"VR",
    u"VR multi",
    u"Vscard",
};

// Networks with a code of their own.
const Rede redesComCodigo[] = {
    {u"Adiq", 309},
    {u"Algorix", 193},
    {u"Amex", 6},
    {u"Banescard", 169},
    {u"Banese", 68},
    {u"Banrisul", 21},
    {u"Bradesco", 3},
    {u"Brasilcard", 61},
    {u"Cielo", 125},
    {u"Convcard", 134},
    {u"Credishop Dacasacard", 113},
    {u"Dotz Edenred", 224},
    {u"Edmcard", 19},
    {u"Elavon", 207},
    {u"Fidelize", 163},
    {u"Gcard", 130},
    {u"Getnet", 82},
    {u"Getnetlac", 181},
    {u"Hipercard", 51},
    {u"Hsbc", 139},
    {u"Itau", 2},
    {u"Neus", 186},
    {u"Nutricard", 223},
    {u"Orgcard", 146},
    {u"Pagseguro", 302},
    {u"Policard", 54},
    {u"Portalcard Redecard", 78},
    {u"Sccard", 159},
    {u"Serasa", 9},
    {u"Sicredi", 187},
    {u"Simcred", 251},
    {u"Sorocred Stone", 47},
    {u"Sysdata", 70},
    {u"Tecban", 1},
    {u"Telenet", 59},
    {u"Tendencia Trendcard", 305},
    {u"Tricard", 52},
    {u"Valecard", 77},
};

// Known networks without a code of their own.
const char16_t *const redesSemCodigo[] = {
    u"Bancobrasil",
    u"Banesecard",
    u"Basecard",
    u"Bin",
    u"Cef",
    u"Comprocard",
    u"Comunix",
    u"Extracard",
    u"Fcdisc",
    u"Firstdata",
    u"Firstdata Sipag",
    u"Ftocards",
    u"Gax",
    u"Globalpay Gwel",
    u"Onecard",
    u"Plenocard",
    u"Redetrel",
    u"Rv",
    u"Safrapay",
    u"Santander",
    u"Senff",
    u"Softcred",
    u"Softnex",
    u"Userede",
    u"Valeconcard",
    u"Vero",
};

QString texto(const char16_t *s)
{
    return QString::fromUtf16(s);
}

const QHash<QString, QString> &tabelaBandeiras()
{
    static const QHash<QString, QString> tabela = [] {
        QHash<QString, QString> t;
        for (const char16_t *nome : bandeirasSemCodigo)
            t.insert(texto(nome), QStringLiteral("00000"));
        for (const Bandeira &b : bandeirasComCodigo)
            t.insert(texto(b.nome), texto(b.codigo));
        return t;
    }();
    return tabela;
}

const QHash<QString, int> &tabelaRedes()
{
    static const QHash<QString, int> tabela = [] {
        QHash<QString, int> t;
        for (const char16_t *nome : redesSemCodigo)
            t.insert(texto(nome), 0);
        for (const Rede &r : redesComCodigo)
            t.insert(texto(r.nome), r.codigo);
        return t;
    }();
    return tabela;
}

} // namespace

QString codigoBandeira(const QString &nome)
{
    return tabelaBandeiras().value(nome, QStringLiteral("000000"));
}

QString codigoRede(const QString &nome)
{
    return QString::number(tabelaRedes().value(nome, 0));
}

int quantidadeBandeiras()
{
    return tabelaBandeiras().size();
}

int quantidadeRedes()
{
    return tabelaRedes().size();
}
