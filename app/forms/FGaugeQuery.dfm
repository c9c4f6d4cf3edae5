object FGaugeQuery: TFGaugeQuery
  Left = 0
  Top = 0
  BorderIcons = [biSystemMenu, biMinimize]
  Caption = 'Op'#233'ration sur le serveur de donn'#233'es en cours'
  ClientHeight = 155
  ClientWidth = 442
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -13
  Font.Name = 'System'
  Font.Style = []
  FormStyle = fsStayOnTop
  Position = poScreenCenter
  OnCreate = FormCreate
  object LabelOperation: TLabel
    Left = 13
    Top = 8
    Width = 417
    Height = 41
    Alignment = taCenter
    AutoSize = False
    Caption = 'LabelOperation'
    WordWrap = True
  end
  object MinModal1: TMinModal
  end
  object GaugeOperation: TGauge
    Left = 18
    Top = 66
    Width = 407
    Height = 21
    BackColor = clWhite
    ForeColor = clBlue
    Progress = 0
  end
  object LabelEstimation: TLabel
    Left = 13
    Top = 101
    Width = 417
    Height = 36
    Alignment = taCenter
    AutoSize = False
    Caption = 'Label Estimation'
    WordWrap = True
  end
end
