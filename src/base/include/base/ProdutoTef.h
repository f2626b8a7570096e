#pragma once

// The TEF products, by their number in "produto_tef". What differs between
// them is one row of the product table in the wiring (app/Wiring.cpp); a new
// product is a new value here and a row there.
enum class ProdutoTef {
    Vantor = 0,
    Bridge = 1,
    Z3Tef = 2,
};

constexpr int quantidadeProdutosTef = 3;
