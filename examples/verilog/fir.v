// A four-tap FIR filter with its coefficients in a small ROM, followed by
// an accumulator that sums the filtered samples over a frame.
module fir_acc (
    input             clk,
    input             rst,
    input             valid,
    input             clear,
    input      [7:0]  sample,
    input      [1:0]  bank,      // selects one of four coefficient sets
    output     [15:0] filtered,
    output reg [19:0] total
);
  reg [7:0] tap0, tap1, tap2, tap3;
  reg [15:0] result;

  // Coefficients: bank * 4 + tap, eight bits each.
  function [7:0] coeff(input [3:0] index);
    case (index)
      4'd0: coeff = 8'd3;   4'd1: coeff = 8'd11;  4'd2: coeff = 8'd11;  4'd3: coeff = 8'd3;
      4'd4: coeff = 8'd1;   4'd5: coeff = 8'd7;   4'd6: coeff = 8'd7;   4'd7: coeff = 8'd1;
      4'd8: coeff = 8'd16;  4'd9: coeff = 8'd0;   4'd10: coeff = 8'd0;  4'd11: coeff = 8'd16;
      4'd12: coeff = 8'd5;  4'd13: coeff = 8'd9;  4'd14: coeff = 8'd9;  4'd15: coeff = 8'd5;
      default: coeff = 8'd0;
    endcase
  endfunction

  wire [7:0] c0 = coeff({bank, 2'd0});
  wire [7:0] c1 = coeff({bank, 2'd1});
  wire [7:0] c2 = coeff({bank, 2'd2});
  wire [7:0] c3 = coeff({bank, 2'd3});

  wire [15:0] sum = tap0 * c0 + tap1 * c1 + tap2 * c2 + tap3 * c3;

  always @(posedge clk or posedge rst) begin
    if (rst) begin
      tap0 <= 0; tap1 <= 0; tap2 <= 0; tap3 <= 0;
    end else if (valid) begin
      tap0 <= sample; tap1 <= tap0; tap2 <= tap1; tap3 <= tap2;
    end
  end

  always @(posedge clk) begin
    if (valid) result <= sum >> 2;
    if (clear) total <= 0;
    else if (valid) total <= total + {4'd0, result};
  end

  assign filtered = result;
endmodule
