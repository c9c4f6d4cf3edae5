object FPrincipal: TFPrincipal
  Left = 0
  Top = 0
  Caption = 'R'#233'cup'#233'ration des tables'
  ClientHeight = 335
  ClientWidth = 739
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Position = poScreenCenter
  OnCreate = FormCreate
  object Label1: TLabel
    Left = 18
    Top = 48
    Caption = 'R'#233'pertoire Source :'
    Font.Style = [fsBold]
  end
  object BtnFermer: TButton
    Left = 632
    Top = 302
    Width = 99
    Height = 25
    Caption = 'Fermer'
    Hint = 'Fermer l'#39'application'
    ShowHint = True
    Font.Style = [fsBold]
    TabOrder = 6
    OnClick = BtnFermerClick
  end
  object EditSource: TEdit
    Left = 136
    Top = 45
    Width = 563
    Height = 21
    TabOrder = 1
  end
  object Button1: TButton
    Left = 704
    Top = 43
    Width = 25
    Height = 25
    Caption = '...'
    TabOrder = 2
  end
  object Label2: TLabel
    Left = 18
    Top = 84
    Caption = 'R'#233'pertoire Destination :'
    Font.Style = [fsBold]
  end
  object EditDestination: TEdit
    Left = 160
    Top = 81
    Width = 539
    Height = 21
    TabOrder = 3
  end
  object Button2: TButton
    Left = 704
    Top = 79
    Width = 25
    Height = 25
    Caption = '...'
    TabOrder = 4
  end
  object Label3: TLabel
    Left = 258
    Top = 16
    Caption = 'Alias :'
    Font.Style = [fsBold]
  end
  object wwDBCBAlias: TwwDBComboBox
    Left = 300
    Top = 12
    Width = 177
    Height = 21
    DropDownCount = 25
    Items.Strings = (
      '')
    Sorted = False
    TabOrder = 0
    OnCloseUp = wwDBCBAliasCloseUp
    OnKeyDown = wwDBCBAliasKeyDown
  end
end
