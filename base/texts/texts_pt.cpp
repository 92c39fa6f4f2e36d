#include "base/texts/text_tables.h"

namespace base {

// One table for every Portuguese system, worded for Brazil.
const LanguageTable kPortugueseTexts = {
    UiLanguage::Portuguese,
    {
        /*  0 */ L"Instalar",
        /*  1 */ L"Personalizar",
        /*  2 */ L"Aceito",
        /*  3 */ L"o contrato de licença",
        /*  4 */ L"Criar atalho na área de trabalho",
        /*  5 */ L"Criar atalho no menu Iniciar",
        /*  6 */ L"Executar ao iniciar o sistema",
        /*  7 */ L"Aderir ao",
        /*  8 */ L"programa de melhoria da experiência do usuário",
        /*  9 */ L"Iniciar __PRODUCT_NAME__",
        /* 10 */ L"Tem certeza de que deseja sair da instalação do __PRODUCT_NAME__?",
        /* 11 */ L"OK",
        /* 12 */ L"Cancelar",
        /* 13 */
        L"Não é possível continuar a instalação porque o __PRODUCT_NAME__ já está em execução. "
        L"Feche-o e tente novamente ou force o fechamento.",
        /* 14 */ L"Repetir",
        /* 15 */ L"Encerrar",
        /* 16 */ L"Criar ícone de inicialização rápida",
        /* 17 */ L"Selecione uma pasta na lista abaixo e clique em OK.",
        /* 18 */ L"Novidades",
        /* 19 */ L"Sim",
        /* 20 */ L"Não",
        /* 21 */ L"Instalando...",
        /* 22 */ L"Tem certeza de que deseja desinstalar?",
        /* 23 */ L"Desinstalar",
        /* 24 */ L"Manter minhas configurações pessoais.",
        /* 25 */ L"Desinstalando...",
        /* 26 */ L"Desinstalação concluída! Obrigado pelo seu apoio!",
        /* 27 */ L"Concluir",
        /* 28 */ L"O Windows XP não é mais compatível.",
        /* 29 */ L"O Windows Vista não é mais compatível.",
        /* 30 */ L"O caminho de instalação é inválido.",
        /* 31 */ L"Não há espaço livre suficiente na unidade selecionada.",
        /* 32 */
        L"Ops! Esta versão do __PRODUCT_NAME__ só funciona em sistemas operacionais de 64 bits. "
        L"Baixe e instale a versão de 32 bits.",
        /* 33 */ L"No momento, o __PRODUCT_NAME__ funciona apenas no Windows de 64 bits.",
        /* 34 */ L"Desinstalar",
        /* 35 */ L"Desinstalar aplicativo",
        /* 36 */ L"Aplicativo",
        /* 37 */ L"Online",
        /* 38 */ L"Página inicial",
        /* 39 */ L"Você precisa reiniciar o computador para instalar a nova versão. Deseja continuar?",
        /* 40 */ L"Reiniciar",
        /* 41 */ L"Falha no download. Tente novamente ou baixe o instalador offline em",
        /* 42 */ L"O instalador online está desatualizado. Baixe a versão mais recente em",
        /* 43 */ L"Baixando...",
        /* 44 */ L"Verificando dados, aguarde...",
        /* 45 */ L"Obtendo informações de download...",
        /* 46 */ L"__PRODUCT_NAME__ online",
        /* 47 */ L"Desinstalar __PRODUCT_NAME__",
        /* 48 */ L"Iniciar",
        /* 49 */ L"A instalação começará automaticamente em XXX segundos.",
        /* 50 */
        L"A pasta contém arquivos que não fazem parte do __PRODUCT_NAME__. "
        L"Escolha uma pasta vazia ou a pasta de uma instalação anterior.",
        /* 51 */
        L"Uma pasta do sistema ou a pasta pessoal não pode ser a pasta de instalação. "
        L"Escolha uma pasta própria.",
        /* 52 */ L"Não é possível gravar na pasta de instalação. Escolha outra pasta.",
        /* 53 */ L"Não há espaço livre suficiente para o download. Libere espaço e tente novamente.",
        /* 54 */
        L"Não há espaço livre suficiente para instalar o __PRODUCT_NAME__. "
        L"Libere espaço ou escolha outra pasta.",
        /* 55 */
        L"O disco ficou cheio durante a instalação. "
        L"Nada foi alterado; libere espaço e tente novamente.",
        /* 56 */
        L"Outra instalação do __PRODUCT_NAME__ está em andamento. "
        L"Aguarde o término e tente novamente.",
        /* 57 */ L"A instalação falhou. Nada foi alterado.",
        /* 58 */ L"Nada foi removido: nenhuma instalação do __PRODUCT_NAME__ foi encontrada.",
        /* 59 */ L"Nada foi removido: __FOLDER__ é uma pasta do sistema ou a pasta pessoal.",
        /* 60 */ L"Nada foi removido: __FOLDER__ não contém uma instalação do __PRODUCT_NAME__.",
        /* 61 */
        L"Não foi possível remover alguns arquivos em __FOLDER__. "
        L"Feche os programas que os usam e depois exclua a pasta.",
        /* 62 */
        L"Não é possível gravar na pasta Transferências. Verifique se ela existe e se pode gravar nela e tente "
        L"novamente.",
        /* 63 */ L"A instalação precisa de direitos de administrador, que não foram concedidos. Nada foi alterado.",
    },
};

}  // namespace base
