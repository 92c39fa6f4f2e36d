#include "base/texts/text_tables.h"

namespace base {

const LanguageTable kFrenchTexts = {
    UiLanguage::French,
    {
        /*  0 */ L"Installer maintenant",
        /*  1 */ L"Personnaliser",
        /*  2 */ L"J'accepte",
        /*  3 */ L"le contrat de licence",
        /*  4 */ L"Créer un raccourci sur le bureau",
        /*  5 */ L"Créer un raccourci dans le menu Démarrer",
        /*  6 */ L"Lancer au démarrage du système",
        /*  7 */ L"Rejoindre",
        /*  8 */ L"le programme d'amélioration de l'expérience utilisateur",
        /*  9 */ L"Démarrer __PRODUCT_NAME__",
        /* 10 */ L"Voulez-vous vraiment quitter l'installation de __PRODUCT_NAME__ ?",
        /* 11 */ L"OK",
        /* 12 */ L"Annuler",
        /* 13 */
        L"Impossible de poursuivre l'installation, car __PRODUCT_NAME__ est déjà en cours d'exécution. "
        L"Fermez-le puis réessayez, ou forcez sa fermeture.",
        /* 14 */ L"Réessayer",
        /* 15 */ L"Forcer l'arrêt",
        /* 16 */ L"Créer une icône de lancement rapide",
        /* 17 */ L"Sélectionnez un dossier dans la liste ci-dessous, puis cliquez sur OK.",
        /* 18 */ L"Nouveautés",
        /* 19 */ L"Oui",
        /* 20 */ L"Non",
        /* 21 */ L"Installation en cours...",
        /* 22 */ L"Voulez-vous vraiment désinstaller ?",
        /* 23 */ L"Désinstaller",
        /* 24 */ L"Conserver mes paramètres personnels.",
        /* 25 */ L"Désinstallation en cours...",
        /* 26 */ L"Désinstallation terminée ! Merci pour votre soutien !",
        /* 27 */ L"Terminer",
        /* 28 */ L"Windows XP n'est plus pris en charge.",
        /* 29 */ L"Windows Vista n'est plus pris en charge.",
        /* 30 */ L"Le chemin d'installation n'est pas valide.",
        /* 31 */ L"L'espace disponible sur le lecteur sélectionné est insuffisant.",
        /* 32 */
        L"Oups ! Cette version de __PRODUCT_NAME__ ne fonctionne que sur un système d'exploitation "
        L"64 bits. Veuillez télécharger et installer la version 32 bits.",
        /* 33 */ L"__PRODUCT_NAME__ fonctionne actuellement uniquement sous Windows 64 bits.",
        /* 34 */ L"Désinstaller",
        /* 35 */ L"Désinstaller l'application",
        /* 36 */ L"Application",
        /* 37 */ L"En ligne",
        /* 38 */ L"Page d'accueil",
        /* 39 */
        L"Vous devez redémarrer l'ordinateur pour installer la nouvelle version. "
        L"Voulez-vous continuer ?",
        /* 40 */ L"Redémarrer",
        /* 41 */
        L"Échec du téléchargement. Veuillez réessayer ou télécharger le programme d'installation "
        L"hors ligne sur",
        /* 42 */
        L"Le programme d'installation en ligne est obsolète. Veuillez télécharger la dernière "
        L"version sur",
        /* 43 */ L"Téléchargement...",
        /* 44 */ L"Vérification des données, veuillez patienter...",
        /* 45 */ L"Récupération des informations de téléchargement...",
        /* 46 */ L"__PRODUCT_NAME__ en ligne",
        /* 47 */ L"Désinstaller __PRODUCT_NAME__",
        /* 48 */ L"Lancer",
        /* 49 */ L"L'installation démarrera automatiquement dans XXX secondes.",
        /* 50 */
        L"Le dossier contient des fichiers qui ne font pas partie de __PRODUCT_NAME__. "
        L"Choisissez un dossier vide ou celui d'une installation précédente.",
        /* 51 */
        L"Un dossier système ou un dossier personnel ne peut pas être le dossier d'installation. "
        L"Choisissez un dossier dédié.",
        /* 52 */ L"Impossible d'écrire dans le dossier d'installation. Choisissez un autre dossier.",
        /* 53 */ L"L'espace libre est insuffisant pour le téléchargement. Libérez de l'espace et réessayez.",
        /* 54 */
        L"L'espace libre est insuffisant pour installer __PRODUCT_NAME__. "
        L"Libérez de l'espace ou choisissez un autre dossier.",
        /* 55 */
        L"Le disque s'est rempli pendant l'installation. "
        L"Rien n'a été modifié ; libérez de l'espace et réessayez.",
        /* 56 */
        L"Une autre installation de __PRODUCT_NAME__ est en cours. "
        L"Attendez qu'elle se termine, puis réessayez.",
        /* 57 */ L"L'installation a échoué. Rien n'a été modifié.",
        /* 58 */ L"Rien n'a été supprimé : aucune installation de __PRODUCT_NAME__ n'a été trouvée.",
        /* 59 */ L"Rien n'a été supprimé : __FOLDER__ est un dossier système ou un dossier personnel.",
        /* 60 */ L"Rien n'a été supprimé : __FOLDER__ ne contient aucune installation de __PRODUCT_NAME__.",
        /* 61 */
        L"Certains fichiers de __FOLDER__ n'ont pas pu être supprimés. "
        L"Fermez les programmes qui les utilisent, puis supprimez le dossier.",
        /* 62 */
        L"Impossible d’écrire dans le dossier Téléchargements. Vérifiez qu’il existe et que vous pouvez y écrire, puis "
        L"réessayez.",
        /* 63 */ L"L’installation exige des droits d’administrateur, qui n’ont pas été accordés. Rien n’a été modifié.",
    },
};

}  // namespace base
