object WinOutils: TWinOutils
end
