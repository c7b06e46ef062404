# bash completion for sitewright: its commands, each command's options and their fixed values.
_sitewright() {
    local cur prev words cword
    _init_completion || return

    local commands="configure show generate upload notify check forget memory"
    if [[ $cword -eq 1 ]]; then
        COMPREPLY=($(compgen -W "$commands --help --version" -- "$cur"))
        return
    fi
    case $prev in
    --dir)
        _filedir -d
        return
        ;;
    --changefreq)
        COMPREPLY=($(compgen -W "always hourly daily weekly monthly yearly never" -- "$cur"))
        return
        ;;
    --priority)
        COMPREPLY=($(compgen -W "0.0 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1.0" -- "$cur"))
        return
        ;;
    --tls)
        COMPREPLY=($(compgen -W "required auto off" -- "$cur"))
        return
        ;;
    --connections)
        COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8" -- "$cur"))
        return
        ;;
    --protocol)
        COMPREPLY=($(compgen -W "0.84 0.9" -- "$cur"))
        return
        ;;
    --transport)
        COMPREPLY=($(compgen -W "ftp sftp" -- "$cur"))
        return
        ;;
    --key-file)
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    --check-connections)
        COMPREPLY=($(compgen -W "$(seq 1 16)" -- "$cur"))
        return
        ;;
    --gzip | --robots | --folder-addresses | --indexnow | --check-pages | --stable-lastmod)
        COMPREPLY=($(compgen -W "on off" -- "$cur"))
        return
        ;;
    --robots-sitemap-line)
        COMPREPLY=($(compgen -W "add" -- "$cur"))
        return
        ;;
    --url | --host | --user | --root | --offset | --trust-fingerprint | --trust-host-key | --exclude | \
        --index-names | --indexnow-endpoint | --ext | --max-folders | --max-rows)
        return
        ;;
    esac

    local options
    case ${words[1]} in
    configure)
        options="--dir --url --host --user --password-stdin --root --changefreq --priority
            --offset --tls --trust-fingerprint --connections --protocol --gzip --exclude
            --robots --folder-addresses --index-names --transport --key-file --trust-host-key
            --indexnow --indexnow-endpoint --check-pages --check-connections
            --stable-lastmod"
        ;;
    show) options="--dir --quiet --json" ;;
    generate)
        options="--dir --ext --upload --max-folders --max-rows --allow-shrink --passphrase-stdin
            --robots-sitemap-line --quiet --json"
        ;;
    upload) options="--dir --allow-shrink --passphrase-stdin --robots-sitemap-line" ;;
    notify) options="--dir --json" ;;
    forget) options="--missing --dir --ext --passphrase-stdin" ;;
    check) options="--dir --ext --json --passphrase-stdin" ;;
    memory)
        if [[ $cword -eq 2 ]]; then
            COMPREPLY=($(compgen -W "list reset" -- "$cur"))
            return
        fi
        options="--dir"
        ;;
    *) return ;;
    esac
    COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
} &&
    complete -F _sitewright sitewright
