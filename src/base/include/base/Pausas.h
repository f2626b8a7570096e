#pragma once

// Every pause and wait the flow is built with, in one place and with its real
// value: how long a screen stays for the cashier to read, how the library and
// the POS are paced, how long a file the POS is still writing is waited for.
// One value is made at start-up and handed to whoever waits; tests run with
// them shortened (Z3_PAUSAS_DIVISOR for the real program), and one test
// checks the real ones.
struct Pausas
{
    // The exchange: the POS finishes writing the request before it is read,
    // then the status file comes a second later; a response that cannot be
    // written is tried again for a while; a request file not whole yet is
    // waited for.
    int leituraRequisicaoMs = 300;
    int antesDoStatusMs = 1000;
    int gravacaoRespostaMs = 5000;
    int intervaloGravacaoMs = 250;
    // How long an approved sale waits for the word on its response file
    // beyond those retries, so that only a lost word is a failure.
    int margemEntregaMs = 10000;
    int arquivoIncompletoMs = 5000;
    // A request folder that cannot be watched is tried again, and one being
    // watched is checked for having been replaced under its path, this often.
    int novaTentativaPastaMs = 2000;
    int verificacaoPastaMs = 2000;
    // The cashier reads why a request was not carried out, and each product's last screen.
    int mensagemFalhaMs = 3000;
    int finalZ3TefMs = 1000;
    int statusBridgeMs = 3000;
    int finalVantorMs = 3000;
    // The Vantor library is paced: this long before every step.
    int passoVantorMs = 1000;
    // After the installer started, before the program makes way for it.
    int antesDeInstalarMs = 4000;

    // Every pause divided by `divisor` (at least 1 ms each).
    Pausas divididas(int divisor) const;
    // The real values, or divided by the number in Z3_PAUSAS_DIVISOR (tests).
    static Pausas doAmbiente();
};
